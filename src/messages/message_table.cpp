#include "messages/message_table.h"

#include <algorithm>

namespace vz {
namespace {

constexpr std::wstring_view kKeys[kMessageCount] = {
#define VZ_MESSAGE_KEY_TEXT(name, key) key,
    VZ_MESSAGE_KEYS(VZ_MESSAGE_KEY_TEXT)
#undef VZ_MESSAGE_KEY_TEXT
};

constexpr wchar_t kSection = L'\u00A7';  // "§": a line break in a text

std::wstring_view TrimTrailingSpaces(std::wstring_view line) {
  std::size_t end = line.size();
  while (end > 0 && line[end - 1] == L' ') --end;  // tabs stay
  return line.substr(0, end);
}

}  // namespace

std::wstring ForDisplay(std::wstring_view text) {
  std::wstring shown;
  shown.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    shown += text[i];
    if (text[i] == L'\r' && (i + 1 == text.size() || text[i + 1] != L'\n')) shown += L'\n';
  }
  return shown;
}

std::wstring_view MessageKey(Msg m) { return kKeys[static_cast<std::size_t>(m)]; }

bool MessageTable::Store(std::wstring_view key, std::wstring value) {
  const std::size_t slot = SlotOf(key);
  if (slot == kMessageCount) return false;
  slots_[slot] = std::move(value);
  return true;
}

void MessageTable::FillGaps(const MessageTable& from, const NamedKeys& named) {
  for (std::size_t i = 0; i < kMessageCount; ++i) {
    if (slots_[i].empty() && !named[i]) slots_[i] = from.slots_[i];
  }
}

std::size_t MessageTable::SlotOf(std::wstring_view key) {
  return static_cast<std::size_t>(std::find(std::begin(kKeys), std::end(kKeys), key) -
                                  std::begin(kKeys));
}

NamedKeys ParseMessageText(std::wstring_view text, MessageTable& table) {
  NamedKeys named;
  ForEachLine(text, [&table, &named](std::wstring_view raw) {
    const std::wstring_view line = TrimTrailingSpaces(raw);
    const std::size_t eq = line.find(L'=');
    // The key needs at least one character; comments and section headers
    // are skipped.
    if (eq == std::wstring_view::npos || eq == 0) return;
    if (line[0] == L';' || line[0] == L'[') return;
    std::wstring value(line.substr(eq + 1));
    std::replace(value.begin(), value.end(), kSection, L'\r');
    const std::wstring_view key = line.substr(0, eq);
    if (table.Store(key, std::move(value))) named.set(MessageTable::SlotOf(key));
  });
  return named;
}

}  // namespace vz
