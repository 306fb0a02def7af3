#include "upgrade/run_question.h"

#include <algorithm>
#include <cwchar>

#include "platform/text_case.h"

namespace vz {

void SortByName(std::vector<FileEntry>& files) {
  std::sort(files.begin(), files.end(),
            [](const FileEntry& a, const FileEntry& b) { return NameLess(a.name, b.name); });
}

std::wstring RunQuestionLines(const std::wstring& port, std::vector<FileEntry> images) {
  SortByName(images);
  std::wstring lines = port;
  for (const FileEntry& image : images) {
    if (image.size == 0) continue;
    const LocalTime& t = image.lastWrite;
    wchar_t written[32];
    std::swprintf(written, 32, L"%02d-%02d-%02d %02d:%02d", t.day, t.month, t.year % 100, t.hour,
                  t.minute);
    lines += L"\r\n" + image.name + L"   " + std::to_wstring(image.size) + L"   " + written;
  }
  return lines;
}

}  // namespace vz
