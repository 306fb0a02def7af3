// The message table: one text per message key, filled from the message file
// of the current language, and the loader of that file.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace vz {

// The keys in the order in which the loader tests them.
enum class Msg : std::size_t {
  NoComSelect,            // FRM_ALL_NO_COM_SELECT
  ExitCaption,            // FRM_ALL_C_EXIT
  Title,                  // FRM_FW_UPGRADE_TITLE
  UpgradeCaption,         // FRM_FW_UPGRADE_C_UPGRADE
  ComPortLabel,           // FRM_FW_UPGRADE_L_COM_PORT
  LanguageLabel,          // FRM_FW_UPGRADE_L_LINGUA
  TitleLabel,             // FRM_FW_UPGRADE_L_TITOLO
  FileMissed,             // FRM_FW_UPGRADE_FILE_MISSED_MSG
  DownloadTimeout,        // FRM_FW_UPGRADE_DOWNLOAD_TOUT_MSG
  AskOk,
  ResetEcr,
  PowerOnEcr,
  Updating,
  Programming,
  End,                    // FRM_FW_UPGRADE_END_MSG
  Saving,
  FirstStart,
  Aborted,
  Failed,
  BakSd1, BakSd2, BakSd3, BakSd4, BakSd5,
  BakSd6, BakSd7, BakSd8, BakSd9, BakSd10,
  Avviso1,
  Avviso2,
  Avviso3,
  VerificaFwMacchina,
  Avviso,                 // FRM_FW_UPGRADE_AVVISO_MSG, the confirmation
  Count
};

constexpr std::size_t kMessageCount = static_cast<std::size_t>(Msg::Count);
static_assert(kMessageCount == 34);

// The key text of a slot, e.g. "FRM_ALL_C_EXIT".
std::wstring_view MessageKey(Msg m);

class MessageTable {
 public:
  const std::wstring& operator[](Msg m) const {
    return slots_[static_cast<std::size_t>(m)];
  }
  // Stores the value under the key when it is one of the 34 keys (exact,
  // case-sensitive); false when the key is not known.
  bool Store(std::wstring_view key, std::wstring value);

 private:
  std::array<std::wstring, kMessageCount> slots_;
};

// Replaces every occurrence of `search` (one character) by `replacement`
// in place; the length never changes.
void ReplaceChar(std::wstring& text, wchar_t search, wchar_t replacement);

// Splits decoded text into lines the way the message files are read: CR LF
// or a lone CR ends a line, a lone LF is an ordinary character. A last line
// without an end counts; an empty text has no line at all.
template <typename Fn>
void ForEachLine(std::wstring_view text, Fn&& fn) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t cr = text.find(L'\r', start);
    if (cr == std::wstring_view::npos) {
      fn(text.substr(start));
      return;
    }
    fn(text.substr(start, cr - start));
    start = cr + 1;
    if (start < text.size() && text[start] == L'\n') ++start;
  }
}

// Applies the message-file rules to already decoded text: trailing blanks
// trimmed, comment and section lines skipped, KEY=VALUE entries stored,
// "§" turned into a line break, the last duplicate winning.
void ParseMessageText(std::wstring_view text, MessageTable& table);

}  // namespace vz
