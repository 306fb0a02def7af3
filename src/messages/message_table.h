// The message table: one text per message key, filled from the message file
// of the current language, and the loader of that file.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>

namespace vz {

// Every message key, VZ_MESSAGE_KEYS(X): the name the code uses and the key
// text of the message file, in the order in which the loader tests them.
// The build writes it from the key list of tools/art/write_messages.py, the
// source of the message files too.
#include "message_keys.h"

enum class Msg : std::size_t {
#define VZ_MESSAGE_ENUM(name, key) name,
  VZ_MESSAGE_KEYS(VZ_MESSAGE_ENUM)
#undef VZ_MESSAGE_ENUM
      Count
};

constexpr std::size_t kMessageCount = static_cast<std::size_t>(Msg::Count);
// A key added to or dropped from that list by mistake stops the build.
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
