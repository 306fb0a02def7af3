#include "platform/system.h"

#include "platform/text_case.h"

namespace vz {

std::wstring WithoutTrailingSeparators(std::wstring path) {
  while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

bool MatchesPattern(std::wstring_view name, std::wstring_view pattern) {
  // Iterative matcher with one back-tracking point for the last "*".
  std::size_t n = 0, p = 0;
  std::size_t starP = std::wstring_view::npos, starN = 0;
  auto same = [](wchar_t a, wchar_t b) { return NameUpper(a) == NameUpper(b); };
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == L'*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == L'?' || same(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (starP != std::wstring_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

}  // namespace vz
