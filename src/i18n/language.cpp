#include "i18n/language.h"

#include <optional>

#include "platform/text_decoding.h"

namespace vz {
namespace {

struct LanguageRow {
  const wchar_t* name;
  const wchar_t* messageFile;
  const wchar_t* flagImage;
};

constexpr LanguageRow kLanguages[] = {
    {L"ENGLISH", L"FrmDescEng.txt", L"UK.gif"},
    {L"SWEDEN", L"FrmDescSve.txt", L"Sweden.gif"},
    {L"FRANCAISE", L"FrmDescFRA.txt", L"France.gif"},
    {L"ITALIANO", L"FrmDescITA.txt", L"Italia.gif"},
};

}  // namespace

IoResult WriteLanguageSetting(const Globals& g, System& sys,
                              const std::wstring& language) {
  return sys.WriteBytes(g.programDir + kLanguageIniName,
                        sys.ToAnsi(language) + "\r\n");
}

void ReadLanguageSetting(Globals& g, System& sys) {
  if (!sys.FileExists(g.programDir, kLanguageIniName)) {
    g.currentLanguage = kDefaultLanguage;
    // If the file cannot be created this run still goes on in French.
    (void)WriteLanguageSetting(g, sys, g.currentLanguage);
    sys.Pause(kLanguageWritePauseMs);
    return;
  }
  const std::optional<std::string> bytes =
      sys.ReadBytes(g.programDir + kLanguageIniName);
  if (!bytes) return;
  bool first = true;
  ForEachLine(DecodeTextFile(*bytes, sys), [&](std::wstring_view line) {
    if (first) g.currentLanguage = std::wstring(line);
    first = false;
  });
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
  const std::optional<std::string> bytes =
      sys.ReadBytes(g.programDir + fileName);
  if (!bytes) return false;
  ParseMessageText(DecodeTextFile(*bytes, sys), g.messages);
  return true;
}

}  // namespace vz
