#include "platform/text_decoding.h"

#include <utf8.h>

#include <cstdint>
#include <iterator>

namespace vz {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.substr(0, prefix.size()) == prefix;
}

// Windows' wchar_t is a UTF-16 unit; a wider one (the native build) holds
// the same units, so both builds see the text alike.
std::wstring Widen(const std::u16string& units) { return std::wstring(units.begin(), units.end()); }

// Pairs of bytes to code units; `high` is the place of the high byte in
// each pair.
std::u16string Utf16ToUnits(std::string_view bytes, std::size_t high) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto hi = static_cast<unsigned char>(bytes[i + high]);
    const auto lo = static_cast<unsigned char>(bytes[i + 1 - high]);
    units.push_back(static_cast<char16_t>(lo | (hi << 8)));
  }
  return units;
}

}  // namespace

MarkedText FindByteOrderMark(std::string_view bytes) {
  if (StartsWith(bytes, kUtf8Mark)) {
    return {TextEncoding::Utf8, bytes.substr(kUtf8Mark.size())};
  }
  if (StartsWith(bytes, kUtf16LeMark)) {
    return {TextEncoding::Utf16Le, bytes.substr(kUtf16LeMark.size())};
  }
  if (StartsWith(bytes, kUtf16BeMark)) {
    return {TextEncoding::Utf16Be, bytes.substr(kUtf16BeMark.size())};
  }
  return {TextEncoding::Ansi, bytes};
}

std::string Utf16ToUtf8(std::wstring_view text) {
  std::string out;
  // A wchar_t is a UTF-16 unit on Windows and a whole code point elsewhere.
  const auto unit = [&text](std::size_t i) { return static_cast<std::uint32_t>(text[i]); };
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = unit(i);
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    const bool lowNext = i + 1 < text.size() && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF;
    if (high && lowNext) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(++i) - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    utf8::append(c, std::back_inserter(out));
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view bytes) {
  // First every invalid sequence becomes U+FFFD (utfcpp's rule, described
  // in the header), then the valid UTF-8 is converted without checks.
  std::string valid;
  valid.reserve(bytes.size());
  utf8::replace_invalid(bytes.begin(), bytes.end(), std::back_inserter(valid));
  std::u16string units;
  units.reserve(valid.size());
  utf8::unchecked::utf8to16(valid.begin(), valid.end(), std::back_inserter(units));
  return units;
}

std::u16string Utf16LeToUnits(std::string_view bytes) { return Utf16ToUnits(bytes, 1); }

std::u16string Utf16BeToUnits(std::string_view bytes) { return Utf16ToUnits(bytes, 0); }

std::optional<std::wstring> DecodeMarkedText(std::string_view bytes) {
  const MarkedText marked = FindByteOrderMark(bytes);
  switch (marked.encoding) {
    case TextEncoding::Utf8:
      return Widen(Utf8ToUtf16(marked.body));
    case TextEncoding::Utf16Le:
      return Widen(Utf16LeToUnits(marked.body));
    case TextEncoding::Utf16Be:
      return Widen(Utf16BeToUnits(marked.body));
    case TextEncoding::Ansi:
      break;
  }
  return std::nullopt;
}

std::wstring DecodeTextFile(std::string_view bytes, System& sys) {
  if (std::optional<std::wstring> text = DecodeMarkedText(bytes)) return *std::move(text);
  return sys.FromAnsi(std::string(bytes));
}

}  // namespace vz
