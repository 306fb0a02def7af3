// The message table: one text per message key, filled from the message file
// of the current language, and the loader of that file.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>

namespace vz {

// Every message key: the name the code uses and the key text of the
// message file, in the order in which the loader tests them. This list is
// the one source of both the enumeration and the key texts.
#define VZ_MESSAGE_KEYS(X)                                             \
  X(NoComSelect, L"FRM_ALL_NO_COM_SELECT")                             \
  X(ExitCaption, L"FRM_ALL_C_EXIT")                                    \
  X(Title, L"FRM_FW_UPGRADE_TITLE")                                    \
  X(UpgradeCaption, L"FRM_FW_UPGRADE_C_UPGRADE")                       \
  X(ComPortLabel, L"FRM_FW_UPGRADE_L_COM_PORT")                        \
  X(LanguageLabel, L"FRM_FW_UPGRADE_L_LINGUA")                         \
  X(TitleLabel, L"FRM_FW_UPGRADE_L_TITOLO")                            \
  X(FileMissed, L"FRM_FW_UPGRADE_FILE_MISSED_MSG")                     \
  X(DownloadTimeout, L"FRM_FW_UPGRADE_DOWNLOAD_TOUT_MSG")              \
  X(AskOk, L"FRM_FW_UPGRADE_ASK_OK_MSG")                               \
  X(ResetEcr, L"FRM_FW_UPGRADE_RESET_ECR_MSG")                         \
  X(PowerOnEcr, L"FRM_FW_UPGRADE_POWERON_ECR_MSG")                     \
  X(Updating, L"FRM_FW_UPGRADE_UPDATING_MSG")                          \
  X(Programming, L"FRM_FW_UPGRADE_PROGRAMMING_MSG")                    \
  X(End, L"FRM_FW_UPGRADE_END_MSG")                                    \
  X(Saving, L"FRM_FW_UPGRADE_SAVING_MSG")                              \
  X(FirstStart, L"FRM_FW_UPGRADE_FIRST_STRAT_MSG")                     \
  X(Aborted, L"FRM_FW_UPGRADE_ABORTED_MSG")                            \
  X(Failed, L"FRM_FW_UPGRADE_FAILED_MSG")                              \
  X(BakSd1, L"FRM_FW_UPGRADE_BAK_SD1_MSG")                             \
  X(BakSd2, L"FRM_FW_UPGRADE_BAK_SD2_MSG")                             \
  X(BakSd3, L"FRM_FW_UPGRADE_BAK_SD3_MSG")                             \
  X(BakSd4, L"FRM_FW_UPGRADE_BAK_SD4_MSG")                             \
  X(BakSd5, L"FRM_FW_UPGRADE_BAK_SD5_MSG")                             \
  X(BakSd6, L"FRM_FW_UPGRADE_BAK_SD6_MSG")                             \
  X(BakSd7, L"FRM_FW_UPGRADE_BAK_SD7_MSG")                             \
  X(BakSd8, L"FRM_FW_UPGRADE_BAK_SD8_MSG")                             \
  X(BakSd9, L"FRM_FW_UPGRADE_BAK_SD9_MSG")                             \
  X(BakSd10, L"FRM_FW_UPGRADE_BAK_SD10_MSG")                           \
  X(Notice1, L"FRM_FW_UPGRADE_AVVISO1_MSG")                            \
  X(Notice2, L"FRM_FW_UPGRADE_AVVISO2_MSG")                            \
  X(Notice3, L"FRM_FW_UPGRADE_AVVISO3_MSG")                            \
  X(CheckRegisterFirmware, L"FRM_FW_UPGRADE_VERIFICA_FW_MACCHINA_MSG") \
  /* the confirmation asked before a run */                            \
  X(Confirmation, L"FRM_FW_UPGRADE_AVVISO_MSG")                        \
  X(CloseDuringRun, L"FRM_FW_UPGRADE_CLOSE_RUN_MSG")                   \
  /* the reason shown on Windows' shutdown screen during a run */      \
  X(ShutdownBlocked, L"FRM_FW_UPGRADE_SHUTDOWN_BLOCK_MSG")             \
  X(NoDriver, L"FRM_FW_UPGRADE_NO_DRIVER_MSG")                         \
  X(ImageDamaged, L"FRM_FW_UPGRADE_IMAGE_DAMAGED_MSG")

enum class Msg : std::size_t {
#define VZ_MESSAGE_ENUM(name, key) name,
  VZ_MESSAGE_KEYS(VZ_MESSAGE_ENUM)
#undef VZ_MESSAGE_ENUM
      Count
};

constexpr std::size_t kMessageCount = static_cast<std::size_t>(Msg::Count);
static_assert(kMessageCount == 38);

// The key text of a slot, e.g. "FRM_ALL_C_EXIT".
std::wstring_view MessageKey(Msg m);

// A text as a label or a message box shows it: those break lines at CR LF,
// and a text from a message file carries a lone CR ("§") where it wants a
// new line.
std::wstring ForDisplay(std::wstring_view text);

// The slots a message file named, whether or not it gave them a text.
using NamedKeys = std::bitset<kMessageCount>;

class MessageTable {
 public:
  const std::wstring& operator[](Msg m) const { return slots_[static_cast<std::size_t>(m)]; }
  // Stores the value under the key when it is one of the keys (exact,
  // case-sensitive); false when the key is not known.
  bool Store(std::wstring_view key, std::wstring value);
  // Gives every slot that is empty and not named the text of `from`: a
  // site's own text, even an empty one, always wins.
  void FillGaps(const MessageTable& from, const NamedKeys& named);
  // The slot of a key, or kMessageCount when it is none of them.
  static std::size_t SlotOf(std::wstring_view key);

 private:
  std::array<std::wstring, kMessageCount> slots_;
};

// The texts the program carries for one of its shipped message files
// (e.g. "FrmDescEng.txt"), every slot filled; nullptr for any other name.
const MessageTable* BuiltInMessages(std::wstring_view messageFile);

// Splits decoded text into lines the way the message files are read: CR LF,
// a lone CR and a lone LF each end a line, whatever system wrote the file.
// A last line without an end counts; an empty text has no line at all.
template <typename Fn>
void ForEachLine(std::wstring_view text, Fn&& fn) {
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of(L"\r\n", start);
    if (end == std::wstring_view::npos) {
      fn(text.substr(start));
      return;
    }
    fn(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == L'\r' && start < text.size() && text[start] == L'\n') ++start;
  }
}

// Applies the message-file rules to already decoded text: trailing blanks
// trimmed, comment and section lines skipped, KEY=VALUE entries stored,
// "§" turned into a line break, the last duplicate winning. Returns the
// slots the text named.
NamedKeys ParseMessageText(std::wstring_view text, MessageTable& table);

}  // namespace vz
