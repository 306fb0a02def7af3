// Bytes of a text file (a message file, Language.ini) as text. A file that
// begins with a byte-order mark (UTF-8, UTF-16 LE or BE) is read in the
// encoding the mark names;
// one without is read in the PC's ANSI code page, through the system seam.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/system.h"

namespace vz {

enum class TextEncoding { Ansi, Utf8, Utf16Le, Utf16Be };

// The encoding a file's bytes declare, and the bytes after the mark.
struct MarkedText {
  TextEncoding encoding = TextEncoding::Ansi;
  std::string_view body;
};
MarkedText FindByteOrderMark(std::string_view bytes);

// UTF-8 to UTF-16 code units, as Windows keeps text: a code point above
// U+FFFF becomes a surrogate pair. An invalid sequence becomes one U+FFFD:
// a byte that cannot begin a character gives one, and so does a byte that
// begins a character together with the continuation bytes (10xxxxxx) right
// after it, when they do not make a valid character (too few, overlong, a
// surrogate or beyond U+10FFFF).
std::u16string Utf8ToUtf16(std::string_view bytes);

// UTF-16 code units to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::wstring_view text);

// UTF-16 bytes, little- or big-endian, to code units, unchanged. A last
// odd byte is dropped.
std::u16string Utf16LeToUnits(std::string_view bytes);
std::u16string Utf16BeToUnits(std::string_view bytes);

// The text of a file that begins with a mark, without the mark; nullopt
// for a file without one.
std::optional<std::wstring> DecodeMarkedText(std::string_view bytes);

// The whole file as the program's text: by its mark, or in the ANSI code
// page (sys.FromAnsi) when it has none. The mark is not part of the text.
std::wstring DecodeTextFile(std::string_view bytes, System& sys);

}  // namespace vz
