#include "platform/text_case.h"

#include <algorithm>

namespace vz {

wchar_t NameUpper(wchar_t c) {
  const auto minus = [c](unsigned d) { return static_cast<wchar_t>(c - d); };
  if (c >= L'a' && c <= L'z') return minus(0x20);
  if (c < 0xE0) return c;
  // Latin-1: à to þ, less the division sign; ÿ has its capital in Latin
  // Extended-A.
  if (c <= 0xFE) return c == 0xF7 ? c : minus(0x20);
  if (c == 0xFF) return static_cast<wchar_t>(0x178);
  // Latin Extended-A: capital and small letters in pairs, the small one
  // odd, except in the runs from Ĺ to ň and from Ź to ž, where it is
  // even. The dotless i is the capital I's.
  if (c == 0x131) return L'I';
  if (c >= 0x100 && c <= 0x17F) {
    const bool pairedOnEven = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x138 || c == 0x149 || c == 0x17F) return c;  // ĸ, ŉ, ſ: no capital
    if (pairedOnEven ? c % 2 == 0 : c % 2 == 1) return minus(1);
    return c;
  }
  // Greek: α to ω, the final sigma to sigma.
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return minus(0x20);
  if (c == 0x3C2) return static_cast<wchar_t>(0x3A3);
  // Cyrillic: а to я, then ѐ to џ.
  if (c >= 0x430 && c <= 0x44F) return minus(0x20);
  if (c >= 0x450 && c <= 0x45F) return minus(0x50);
  return c;
}

std::wstring NameUpper(std::wstring_view name) {
  std::wstring upper(name);
  for (wchar_t& c : upper) c = NameUpper(c);
  return upper;
}

bool SameName(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](wchar_t x, wchar_t y) { return NameUpper(x) == NameUpper(y); });
}

bool NameLess(std::wstring_view a, std::wstring_view b) {
  return std::lexicographical_compare(
      a.begin(), a.end(), b.begin(), b.end(),
      [](wchar_t x, wchar_t y) { return NameUpper(x) < NameUpper(y); });
}

wchar_t AsciiUpper(wchar_t c) {
  return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool SameAscii(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](wchar_t x, wchar_t y) { return AsciiUpper(x) == AsciiUpper(y); });
}

}  // namespace vz
