// Fuzz target: a checksum file beside a firmware image, any bytes at all.
// ReadChecksumFile must give a digest exactly when the first line, read
// here in a way of its own, holds 64 hex digits after blanks and an
// optional "\", ended by the line or a blank; that digest must be those
// digits, and must read back the same from the forms the checksum tools
// write.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "upgrade/checksum_file.h"

namespace {

// The first line's units: after a UTF-8 mark byte by byte, after a UTF-16
// mark in pairs (a last odd byte dropped), else byte by byte.
std::u32string FirstLine(const std::uint8_t* data, std::size_t size) {
  std::u32string units;
  std::size_t i = 0;
  int pair = 0;  // 0: bytes; 1: little-endian pairs; 2: big-endian pairs
  if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
    i = 3;
  } else if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    i = 2, pair = 1;
  } else if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
    i = 2, pair = 2;
  }
  while (pair == 0 ? i < size : i + 1 < size) {
    char32_t u = data[i];
    if (pair == 1) u = data[i] | (data[i + 1] << 8);
    if (pair == 2) u = (data[i] << 8) | data[i + 1];
    i += pair == 0 ? 1 : 2;
    if (u == U'\r' || u == U'\n') break;
    units += u;
  }
  return units;
}

bool Hex(char32_t c) {
  return (c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'f') || (c >= U'A' && c <= U'F');
}
char32_t Lower(char32_t c) { return c >= U'A' && c <= U'F' ? c - U'A' + U'a' : c; }

// The 64 digits in lower case, or nothing.
std::optional<std::u32string> ExpectedDigits(const std::u32string& line) {
  std::size_t i = 0;
  while (i < line.size() && (line[i] == U' ' || line[i] == U'\t')) ++i;
  if (i < line.size() && line[i] == U'\\') ++i;
  if (line.size() < i + 64) return std::nullopt;
  std::u32string digits;
  for (std::size_t k = i; k < i + 64; ++k) {
    if (!Hex(line[k])) return std::nullopt;
    digits += Lower(line[k]);
  }
  if (line.size() > i + 64 && line[i + 64] != U' ' && line[i + 64] != U'\t') return std::nullopt;
  return digits;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<vz::Sha256Digest> digest = vz::ReadChecksumFile(bytes);
  const std::optional<std::u32string> expected = ExpectedDigits(FirstLine(data, size));
  if (digest.has_value() != expected.has_value()) __builtin_trap();
  if (!digest) return 0;
  const std::wstring hex = vz::DigestHex(*digest);
  if (std::u32string(hex.begin(), hex.end()) != *expected) __builtin_trap();
  // sha256sum's binary form, upper case, CR LF, after a UTF-8 mark.
  std::string written = "\xEF\xBB\xBF";
  for (const wchar_t c : hex) {
    written += static_cast<char>(c >= L'a' ? c - L'a' + L'A' : c);
  }
  written += " *firmware.bin\r\n";
  if (vz::ReadChecksumFile(written) != digest) __builtin_trap();
  return 0;
}
