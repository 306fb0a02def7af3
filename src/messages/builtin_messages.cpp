// The texts of the shipped message files, carried by the program itself:
// generated at build time from the same source that writes those files.
#include <iterator>

#include "messages/message_table.h"

namespace vz {
namespace {

struct BuiltInText {
  const wchar_t* key;
  const wchar_t* text;
};

struct BuiltInFile {
  const wchar_t* name;
  std::array<BuiltInText, kMessageCount> texts;
};

constexpr BuiltInFile kFiles[] = {
#include "builtin_messages.inc"
};

}  // namespace

const MessageTable* BuiltInMessages(std::wstring_view messageFile) {
  static const std::array<MessageTable, std::size(kFiles)> tables = [] {
    std::array<MessageTable, std::size(kFiles)> made;
    for (std::size_t f = 0; f < std::size(kFiles); ++f) {
      for (const BuiltInText& t : kFiles[f].texts) made[f].Store(t.key, t.text);
    }
    return made;
  }();
  for (std::size_t f = 0; f < std::size(kFiles); ++f) {
    if (messageFile == kFiles[f].name) return &tables[f];
  }
  return nullptr;
}

}  // namespace vz
