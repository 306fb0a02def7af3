// Fuzz target: the text of the port list as the technician may type it.
// ParsePortText must give a port number exactly for "COM" (any letter case)
// followed by one to three decimal digits worth 1 to 255, and that number
// must be the one written; checked against a reading of its own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "port/port_choice.h"

namespace {

// Most bytes are one character each, so short ASCII texts are easy to
// reach; 0xFE and 0xFF escape a full character of 4 or 2 bytes (little
// endian), reaching every UTF-16 unit and, where wchar_t has 32 bits,
// values beyond it (negative ones too).
std::wstring WideText(const std::uint8_t* data, std::size_t size) {
  std::wstring out;
  std::size_t i = 0;
  while (i < size) {
    const std::uint8_t b = data[i++];
    if (b == 0xFF && i + 2 <= size) {
      out += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
      i += 2;
    } else if (b == 0xFE && i + 4 <= size) {
      std::uint32_t v = 0;
      for (int k = 3; k >= 0; --k) v = (v << 8) | data[i + static_cast<std::size_t>(k)];
      out += static_cast<wchar_t>(v);
      i += 4;
    } else {
      out += static_cast<wchar_t>(b);
    }
  }
  return out;
}

// The port a list text names, or -1.
long ExpectedPort(const std::wstring& text) {
  static const char kPrefix[] = "com";
  if (text.size() < 4 || text.size() > 6) return -1;
  for (std::size_t i = 0; i < 3; ++i) {
    const wchar_t c = text[i];
    if (c != static_cast<wchar_t>(kPrefix[i]) &&
        c != static_cast<wchar_t>(kPrefix[i] - 'a' + 'A')) {
      return -1;
    }
  }
  std::string digits;
  for (std::size_t i = 3; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c != L'0' && c != L'1' && c != L'2' && c != L'3' && c != L'4' && c != L'5' && c != L'6' &&
        c != L'7' && c != L'8' && c != L'9') {
      return -1;
    }
    digits += static_cast<char>(c);
  }
  const long value = std::strtol(digits.c_str(), nullptr, 10);
  return value >= 1 && value <= 255 ? value : -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring text = WideText(data, size);
  const std::optional<std::uint8_t> port = vz::ParsePortText(text);
  const long expected = ExpectedPort(text);
  if (port.has_value() != (expected >= 0)) __builtin_trap();
  if (port && static_cast<long>(*port) != expected) __builtin_trap();
  // The number is what the list shows: "COM" plus its digits round-trips
  // (leading zeros aside).
  if (port) {
    const std::wstring canonical = L"COM" + std::to_wstring(*port);
    if (vz::ParsePortText(canonical) != port) __builtin_trap();
  }
  return 0;
}
