// Windows-1252, the code page of the message files, as Windows converts it
// (MultiByteToWideChar and WideCharToMultiByte with code page 1252): Latin-1
// except 0x80..0x9F, where the five bytes the code page leaves unassigned
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 control of the same value,
// both ways. Plain C++17 with no Windows header, so the native tests and the
// fuzzers use the same table; the Win32 tests compare it with the system's
// conversion byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vz::test::cp1252 {

// The characters of bytes 0x80..0x9F.
inline constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The character of one byte.
constexpr wchar_t ToWide(std::uint8_t b) {
  return (b >= 0x80 && b < 0xA0) ? static_cast<wchar_t>(kHigh[b - 0x80]) : static_cast<wchar_t>(b);
}

// The byte of one character; false when the code page has none for it.
constexpr bool ToByte(wchar_t c, std::uint8_t* b) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
    *b = static_cast<std::uint8_t>(c);
    return true;
  }
  for (int i = 0; i < 32; ++i) {
    if (static_cast<wchar_t>(kHigh[i]) == c) {
      *b = static_cast<std::uint8_t>(0x80 + i);
      return true;
    }
  }
  return false;
}

inline std::wstring Decode(const std::uint8_t* data, std::size_t size) {
  std::wstring out(size, L'\0');
  for (std::size_t i = 0; i < size; ++i) out[i] = ToWide(data[i]);
  return out;
}

inline std::wstring Decode(const std::string& bytes) {
  return Decode(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// A character the code page has no byte for becomes '?'.
inline std::string Encode(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    std::uint8_t b = 0;
    out += ToByte(c, &b) ? static_cast<char>(b) : '?';
  }
  return out;
}

}  // namespace vz::test::cp1252
