// Fuzz target: the message-file loader. The input is the raw content of a
// FrmDesc*.txt file; it goes through the same path as at run time (decoded
// by its byte-order mark, else as Windows-1252, then ParseMessageText) and
// every property the window
// relies on is checked against an independent reading of the same rules.
// Any broken property stops the run with a trap so libFuzzer keeps the input.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <optional>
#include <string_view>
#include <vector>

#include "messages/message_table.h"
#include "platform/text_decoding.h"
// Beside this folder: the fuzz build names no include path but src/.
#include "testkit/cp1252.h"

namespace {

using vz::kMessageCount;
using vz::MessageTable;
using vz::Msg;

constexpr wchar_t kSection = L'\u00A7';

#define VZ_CHECK(cond)             \
  do {                             \
    if (!(cond)) __builtin_trap(); \
  } while (0)

using Slots = std::array<std::wstring, kMessageCount>;

Slots SlotsOf(const MessageTable& t) {
  Slots s;
  for (std::size_t i = 0; i < kMessageCount; ++i) s[i] = t[static_cast<Msg>(i)];
  return s;
}

// The lines of a message file read a second way: every CR LF pair first
// becomes one CR and every other LF a CR, then the text is cut at each CR;
// a final CR opens no further line. The views point into `flat`.
struct ReferenceLines {
  explicit ReferenceLines(std::wstring_view text) {
    flat.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
      flat += text[i] == L'\n' ? L'\r' : text[i];
      if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    }
    const std::wstring_view all = flat;
    std::size_t start = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
      if (all[i] == L'\r') {
        lines.push_back(all.substr(start, i - start));
        start = i + 1;
      }
    }
    if (start < all.size()) lines.push_back(all.substr(start));
  }
  std::wstring flat;
  std::vector<std::wstring_view> lines;
};

std::wstring_view TrimBlanks(std::wstring_view line) {
  while (!line.empty() && line.back() == L' ') line.remove_suffix(1);
  return line;
}

// What the slots must hold after the text is read into `before`.
Slots ReferenceParse(const ReferenceLines& ref, Slots before) {
  for (std::wstring_view raw : ref.lines) {
    const std::wstring_view line = TrimBlanks(raw);
    if (line.empty() || line[0] == L';' || line[0] == L'[') continue;
    const std::size_t eq = line.find(L'=');
    if (eq == std::wstring_view::npos || eq == 0) continue;
    const std::wstring_view key = line.substr(0, eq);
    for (std::size_t i = 0; i < kMessageCount; ++i) {
      if (vz::MessageKey(static_cast<Msg>(i)) != key) continue;
      std::wstring value(line.substr(eq + 1));
      for (wchar_t& c : value) {
        if (c == kSection) c = L'\r';
      }
      before[i] = std::move(value);
    }
  }
  return before;
}

void CheckLineSplit(std::wstring_view text, const ReferenceLines& ref) {
  std::size_t n = 0;
  bool same = true;
  vz::ForEachLine(text, [&](std::wstring_view l) {
    VZ_CHECK(l.find_first_of(L"\r\n") == std::wstring_view::npos);
    same = same && n < ref.lines.size() && ref.lines[n] == l;
    ++n;
  });
  VZ_CHECK(same && n == ref.lines.size());
  VZ_CHECK(text.empty() == (n == 0));
}

// A marked file's text as Windows holds it: whole surrogate pairs from
// UTF-8, and for UTF-16 one unit per two bytes, its units unchanged.
void CheckMarkedText(std::string_view bytes, const std::wstring& text) {
  const vz::MarkedText marked = vz::FindByteOrderMark(bytes);
  if (marked.encoding == vz::TextEncoding::Utf16Le ||
      marked.encoding == vz::TextEncoding::Utf16Be) {
    const std::size_t low = marked.encoding == vz::TextEncoding::Utf16Le ? 0 : 1;
    VZ_CHECK(text.size() == marked.body.size() / 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
      VZ_CHECK(static_cast<unsigned char>(marked.body[2 * i + low]) == (text[i] & 0xFF));
    }
    return;
  }
  VZ_CHECK(text.size() <= marked.body.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF;
    const bool low = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
    VZ_CHECK(text[i] <= 0xFFFF);
    if (high) VZ_CHECK(i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF);
    if (low) VZ_CHECK(i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF);
  }
  // Every ASCII byte of the file is a character of the text, in order:
  // a bad sequence never swallows what follows it.
  std::size_t ascii = 0, kept = 0;
  for (char c : marked.body) ascii += static_cast<unsigned char>(c) < 0x80;
  for (wchar_t c : text) kept += c < 0x80;
  VZ_CHECK(ascii == kept);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<std::wstring> marked = vz::DecodeMarkedText(bytes);
  if (marked) CheckMarkedText(bytes, *marked);
  const std::wstring text = marked ? *marked : vz::test::cp1252::Decode(data, size);
  const ReferenceLines ref(text);
  CheckLineSplit(text, ref);

  MessageTable table;
  vz::ParseMessageText(text, table);
  const Slots got = SlotsOf(table);

  // Agrees with the independent reading of the rules.
  VZ_CHECK(got == ReferenceParse(ref, Slots{}));

  std::set<std::wstring_view> trimmedLines;
  for (std::wstring_view line : ref.lines) trimmedLines.insert(TrimBlanks(line));
  for (std::size_t i = 0; i < kMessageCount; ++i) {
    const std::wstring& v = got[i];
    // Every "§" became a line break.
    VZ_CHECK(v.find(kSection) == std::wstring::npos);
    // Trailing blanks are trimmed before the value is taken.
    VZ_CHECK(v.empty() || v.back() != L' ');
    // A CR in the file ends the line, so every CR in a value stands for a
    // "§": put back, the entry must appear as one whole line of the file.
    std::wstring original = v;
    std::replace(original.begin(), original.end(), L'\r', kSection);
    if (!v.empty()) {
      const std::wstring entry =
          std::wstring(vz::MessageKey(static_cast<Msg>(i))) + L'=' + original;
      VZ_CHECK(trimmedLines.count(std::wstring_view(entry)) == 1);
    }
  }

  // The same bytes read again into a fresh table give the same table.
  MessageTable again;
  vz::ParseMessageText(text, again);
  VZ_CHECK(SlotsOf(again) == got);

  // Reading a file over a table that already holds texts (a language
  // switch) replaces exactly the slots the file names, with the same
  // values a fresh read gives, and keeps the others.
  MessageTable switched;
  Slots old;
  for (std::size_t i = 0; i < kMessageCount; ++i) {
    old[i] = L"old\u00A7" + std::to_wstring(i);
    switched.Store(vz::MessageKey(static_cast<Msg>(i)), old[i]);
  }
  vz::ParseMessageText(text, switched);
  const Slots after = SlotsOf(switched);
  VZ_CHECK(after == ReferenceParse(ref, old));
  for (std::size_t i = 0; i < kMessageCount; ++i) {
    VZ_CHECK(after[i] == old[i] || after[i] == got[i]);
  }

  // The file followed by a copy of itself (after a line end of its own):
  // every duplicate is the last one of the same value, so nothing changes.
  MessageTable twice;
  vz::ParseMessageText(text + L"\r\n" + text, twice);
  VZ_CHECK(SlotsOf(twice) == got);

  // Any entry appended at the end wins over what the file said.
  if (size > 0) {
    const std::size_t slot = data[0] % kMessageCount;
    const std::wstring key(vz::MessageKey(static_cast<Msg>(slot)));
    MessageTable overridden;
    vz::ParseMessageText(text + L"\r\n" + key + L"=last\u00A7 ", overridden);
    const Slots o = SlotsOf(overridden);
    for (std::size_t i = 0; i < kMessageCount; ++i) {
      VZ_CHECK(o[i] == (i == slot ? std::wstring(L"last\r") : got[i]));
    }
  }

  return 0;
}
