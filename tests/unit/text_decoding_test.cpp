// Text files read by their byte-order mark: UTF-8, UTF-16 LE or BE, or the ANSI
// code page without one (Windows-1252 in the fake system).
#include "platform/text_case.h"
#include "platform/text_decoding.h"

#include <gtest/gtest.h>

#include "testkit/fakes.h"
#include "i18n/language.h"
#include "messages/message_table.h"

namespace vz {
namespace {

using namespace std::string_literals;
using test::InDir;

// What the Windows build holds: UTF-16 code units, one wchar_t each.
std::wstring Units(std::u16string units) { return std::wstring(units.begin(), units.end()); }

std::string Utf16Le(const std::u16string& text) {
  std::string bytes;
  for (char16_t u : text) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  return bytes;
}

std::string Utf16Be(const std::u16string& text) {
  std::string bytes = Utf16Le(text);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
  return bytes;
}

class TextFile : public ::testing::Test {
 protected:
  std::wstring Decode(const std::string& bytes) { return DecodeTextFile(bytes, sys); }
  test::FakeSystem sys;
};

TEST_F(TextFile, TheMarkNamesTheEncodingAndIsNotPartOfTheText) {
  EXPECT_EQ(Decode("\xEF\xBB\xBF"
                   "caf\xC3\xA9\r\n"),
            L"caf\u00E9\r\n");
  EXPECT_EQ(Decode("\xFF\xFE" + Utf16Le(u"caf\u00E9\r\n")), L"caf\u00E9\r\n");
  // Without a mark the same bytes are the ANSI code page's.
  EXPECT_EQ(Decode("caf\xC3\xA9"), L"caf\u00C3\u00A9");
  EXPECT_EQ(Decode("\xFE\xFF" + Utf16Be(u"caf\u00E9\r\n")), L"caf\u00E9\r\n");
  EXPECT_EQ(Decode("\xFE\xFF\x00"
                   "A"
                   "\x00"s),
            L"A")
      << "an odd last byte is dropped";
}

TEST_F(TextFile, EmptyAndMarkOnlyFilesHaveNoText) {
  for (const std::string& bytes : {""s, "\xEF\xBB\xBF"s, "\xFF\xFE"s, "\xEF\xBB"s}) {
    SCOPED_TRACE(bytes.size());
    const std::wstring text = Decode(bytes);
    // A cut UTF-8 mark is no mark: two ANSI characters.
    EXPECT_EQ(text.size(), bytes == "\xEF\xBB" ? 2u : 0u);
  }
}

TEST_F(TextFile, AnOddUtf16FileLosesOnlyItsLastByte) {
  EXPECT_EQ(Decode("\xFF\xFE" + Utf16Le(u"AB\r\n") + "C"), L"AB\r\n");
}

TEST_F(TextFile, CharactersBeyondTheBasicPlaneBecomeSurrogatePairs) {
  const std::wstring pair = Units(u"x\xD83D\xDE00y");  // U+1F600
  EXPECT_EQ(Decode("\xEF\xBB\xBF"
                   "x\xF0\x9F\x98\x80y"),
            pair);
  EXPECT_EQ(Decode("\xFF\xFE" + Utf16Le(u"x\xD83D\xDE00y")), pair);
  EXPECT_EQ(Decode("\xFE\xFF" + Utf16Be(u"x\xD83D\xDE00y")), pair);
}

// One U+FFFD for a byte that cannot begin a character; one for a byte that
// begins one together with the continuation bytes right after it, when
// they make no valid character. The bytes after that are read as usual.
TEST_F(TextFile, InvalidUtf8GivesOneReplacementPerRuleAndLosesNothingAfter) {
  const struct {
    const char* bytes;
    const wchar_t* text;
  } cases[] = {
      {"a\x80\xBF"
       "b",
       L"a\uFFFD\uFFFDb"},  // two stray continuations
      {"a\xE2\x82"
       "b",
       L"a\uFFFDb"},  // a character cut short
      {"a\xC0\xAF"
       "b",
       L"a\uFFFDb"},  // overlong "/"
      {"a\xED\xA0\x80"
       "b",
       L"a\uFFFDb"},  // an encoded surrogate
      {"a\xF4\x90\x80\x80"
       "b",
       L"a\uFFFDb"},  // beyond U+10FFFF
      {"a\xFF"
       "b",
       L"a\uFFFDb"},              // never a UTF-8 byte
      {"a\xE2\x82", L"a\uFFFD"},  // cut at the end of the file
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(Decode("\xEF\xBB\xBF"s + c.bytes), c.text);
  }
  // A bad byte at a line's end does not swallow the next line.
  MessageTable t;
  ParseMessageText(Decode("\xEF\xBB\xBF"
                          "FRM_ALL_C_EXIT=A\xC3\r\nFRM_FW_UPGRADE_TITLE=T\r\n"),
                   t);
  EXPECT_EQ(t[Msg::ExitCaption], L"A\uFFFD");
  EXPECT_EQ(t[Msg::Title], L"T");
}

TEST_F(TextFile, TheSectionSignBreaksLinesInEveryEncoding) {
  for (const std::string& bytes : {"FRM_ALL_C_EXIT=A\xA7"
                                   "B\r\n"s,
                                   "\xEF\xBB\xBF"
                                   "FRM_ALL_C_EXIT=A\xC2\xA7"
                                   "B\r\n"s,
                                   "\xFF\xFE" + Utf16Le(u"FRM_ALL_C_EXIT=A\u00A7B\r\n"),
                                   "\xFE\xFF" + Utf16Be(u"FRM_ALL_C_EXIT=A\u00A7B\r\n")}) {
    MessageTable t;
    ParseMessageText(Decode(bytes), t);
    EXPECT_EQ(t[Msg::ExitCaption], L"A\rB");
  }
}

TEST_F(TextFile, LanguageIniWithAMarkNamesItsLanguage) {
  Globals g;
  g.programDir = test::kDir;
  for (const std::string& bytes :
       {"\xEF\xBB\xBF"
        "ENGLISH\r\n"s,
        "\xFF\xFE" + Utf16Le(u"ENGLISH\r\n"), "\xFE\xFF" + Utf16Be(u"ENGLISH\r\n")}) {
    sys.Put(InDir(L"Language.ini"), bytes);
    g.currentLanguage.clear();
    ReadLanguageSetting(g, sys);
    EXPECT_EQ(g.currentLanguage, L"ENGLISH");
    EXPECT_EQ(sys.Bytes(InDir(L"Language.ini")), bytes);
  }
}

TEST(TextToUtf8, KeepsPairsAndReplacesALoneSurrogate) {
  EXPECT_EQ(Utf16ToUtf8(L"\u00E9\U0001F600"), "\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16ToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800)) + L"a"),
            "\xEF\xBF\xBD"
            "a");
}

// File and process names match as Windows matches them, the same whatever
// C library runs the program; language names and "COM" in ASCII only.
TEST(LetterCase, NamesFoldByTheirOwnTableAndLanguageNamesInAsciiOnly) {
  EXPECT_TRUE(SameName(L"Up_Loader.EXE", L"up_loader.exe"));
  EXPECT_TRUE(SameName(L"\u00C9t\u00E9.bin", L"\u00C9T\u00C9.BIN"));            // Été
  EXPECT_TRUE(SameName(L"\u0161\u017E.bin", L"\u0160\u017D.BIN"));              // šž
  EXPECT_TRUE(SameName(L"\u043F\u0440\u0448.bin", L"\u041F\u0420\u0428.BIN"));  // прш
  EXPECT_FALSE(SameName(L"stra\u00DFe", L"STRASSE")) << "one unit for one unit";
  EXPECT_FALSE(SameName(L"Up_Loader.exe", L"Up_Loader.ex"));
  EXPECT_TRUE(NameLess(L"A.bin", L"b.BIN"));
  EXPECT_FALSE(NameLess(L"b.BIN", L"a.bin"));
  EXPECT_TRUE(SameAscii(L"english", L"ENGLISH"));
  EXPECT_FALSE(SameAscii(L"fran\u00E7aise", L"FRAN\u00C7AISE")) << "no letter beyond ASCII";
}

}  // namespace
}  // namespace vz
