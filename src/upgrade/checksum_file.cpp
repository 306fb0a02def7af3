#include "upgrade/checksum_file.h"

#include "platform/text_decoding.h"

namespace vz {
namespace {

// The value of a hex digit, or -1.
int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool IsLineEnd(char16_t c) { return c == u'\r' || c == u'\n'; }

// The first line's units. Only ASCII counts in the digest and between it
// and a name, so a byte of any 8-bit text stands for itself.
std::u16string FirstLineUnits(std::string_view bytes) {
  const MarkedText marked = FindByteOrderMark(bytes);
  std::u16string units;
  switch (marked.encoding) {
    case TextEncoding::Utf16Le:
      units = Utf16LeToUnits(marked.body);
      break;
    case TextEncoding::Utf16Be:
      units = Utf16BeToUnits(marked.body);
      break;
    case TextEncoding::Ansi:
    case TextEncoding::Utf8:
      for (const char c : marked.body) {
        if (c == '\r' || c == '\n') break;
        units += static_cast<char16_t>(static_cast<unsigned char>(c));
      }
      break;
  }
  std::size_t end = 0;
  while (end < units.size() && !IsLineEnd(units[end])) ++end;
  units.resize(end);
  return units;
}

}  // namespace

std::optional<Sha256Digest> ReadChecksumFile(std::string_view bytes) {
  const std::u16string line = FirstLineUnits(bytes);
  std::size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i < line.size() && line[i] == u'\\') ++i;
  Sha256Digest digest{};
  for (std::uint8_t& byte : digest) {
    if (i + 2 > line.size()) return std::nullopt;
    const int high = HexValue(line[i]), low = HexValue(line[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    byte = static_cast<std::uint8_t>(high * 16 + low);
    i += 2;
  }
  // The digits end the line, or blanks part them from what follows (an
  // optional "*" and a name, not compared: an image may be renamed).
  if (i < line.size() && !IsBlank(line[i])) return std::nullopt;
  return digest;
}

std::wstring DigestHex(const Sha256Digest& digest) {
  static const wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring hex;
  hex.reserve(digest.size() * 2);
  for (const std::uint8_t byte : digest) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  return hex;
}

}  // namespace vz
