#include "i18n/language.h"

#include <optional>
#include <string_view>
#include <vector>

#include "log/event_log.h"
#include "platform/text_case.h"
#include "platform/text_decoding.h"

namespace vz {
namespace {

struct LanguageRow {
  const wchar_t* name;
  const wchar_t* messageFile;
  const wchar_t* flagImage;
};

// Every row is offered in the language list, in this order.
constexpr LanguageRow kLanguages[] = {
    {L"FRANCAISE", L"FrmDescFRA.txt", L"France.gif"},
    {L"ENGLISH", L"FrmDescEng.txt", L"UK.gif"},
    {L"ITALIANO", L"FrmDescITA.txt", L"Italia.gif"},
    {L"SWEDEN", L"FrmDescSve.txt", L"Sweden.gif"},
};

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// The row of the language that `text` names, blanks around it and letter
// case not counting; nullptr when it names none.
const LanguageRow* FindLanguage(std::wstring_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  for (const LanguageRow& row : kLanguages) {
    // ASCII letters only: a PC's locale must not decide what matches.
    if (SameAscii(text, row.name)) return &row;
  }
  return nullptr;
}

}  // namespace

std::vector<std::wstring> OfferedLanguages() {
  std::vector<std::wstring> names;
  for (const LanguageRow& row : kLanguages) names.emplace_back(row.name);
  return names;
}

IoResult WriteLanguageSetting(const Globals& g, System& sys, const std::wstring& language) {
  return sys.ReplaceWhole(g.programDir + kLanguageIniName, sys.ToAnsi(language) + "\r\n");
}

void ReadLanguageSetting(Globals& g, System& sys) {
  // A hidden or system file is a setting too: replacing it would lose it.
  if (!sys.AnyFileExists(g.programDir + kLanguageIniName)) {
    g.currentLanguage = kDefaultLanguage;
    // If the file cannot be created this run still goes on in French.
    (void)WriteLanguageSetting(g, sys, g.currentLanguage);
    sys.Pause(kLanguageWritePauseMs);
    return;
  }
  // Whatever does not name a language (an empty or unreadable file, other
  // words, random bytes) gives the default; the file stays as it is until
  // the technician picks a language.
  g.currentLanguage = kDefaultLanguage;
  const std::optional<std::string> bytes = sys.ReadBytes(g.programDir + kLanguageIniName);
  if (!bytes) return;
  std::wstring firstLine;
  bool first = true;
  ForEachLine(DecodeTextFile(*bytes, sys), [&](std::wstring_view line) {
    if (first) firstLine = line;
    first = false;
  });
  if (const LanguageRow* row = FindLanguage(firstLine)) {
    g.currentLanguage = row->name;
  }
}

void SelectLanguageFiles(Globals& g) {
  for (const LanguageRow& row : kLanguages) {
    if (g.currentLanguage == row.name) {
      g.messageFileName = row.messageFile;
      g.flagImageName = row.flagImage;
      return;
    }
  }
}

bool LoadMessageFile(Globals& g, System& sys, const std::wstring& fileName) {
  // An empty name (no language selected yet) must not open the directory.
  if (fileName.empty()) return false;
  // Never a blank window or an empty question: what the file does not give,
  // the program's own texts of that language do.
  const MessageTable* builtIn = BuiltInMessages(fileName);
  std::uint32_t error = 0;
  const std::optional<std::string> bytes = sys.ReadBytes(g.programDir + fileName, &error);
  if (!bytes) {
    WriteLog(sys, g.programDir,
             kLogLanguagePrefix + fileName + kLogNotRead + std::to_wstring(error) + L" " +
                 sys.ErrorText(error, fileName));
    if (builtIn) g.messages = *builtIn;
    return false;
  }
  const NamedKeys named = ParseMessageText(DecodeTextFile(*bytes, sys), g.messages);
  if (builtIn) g.messages.FillGaps(*builtIn, named);
  return true;
}

}  // namespace vz
