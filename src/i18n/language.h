// The language setting (Language.ini), the choice of message file and flag
// for a language, and loading a message file into the table.
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"
#include "state/globals.h"

namespace vz {

inline constexpr wchar_t kLanguageIniName[] = L"Language.ini";
inline constexpr wchar_t kDefaultLanguage[] = L"FRANCAISE";

// Pause after Language.ini has been written, before it is read back.
inline constexpr std::uint32_t kLanguageWritePauseMs = 100;

// The names the language list offers: every language the program ships,
// as Language.ini keeps them, French first.
std::vector<std::wstring> OfferedLanguages();

// Sets currentLanguage from the first line of Language.ini: the language it
// names, blanks and tabs around the name and letter case not counting,
// spelled as the language table spells it; "FRANCAISE" for anything else.
// A missing file is created holding "FRANCAISE".
void ReadLanguageSetting(Globals& g, System& sys);

// Sets messageFileName and flagImageName from currentLanguage when it names
// a known language exactly; otherwise leaves both as they were.
void SelectLanguageFiles(Globals& g);

// The log line of a message file that could not be read: the prefix, the
// file, the middle, then the error number, a blank and the system's text.
inline constexpr wchar_t kLogLanguagePrefix[] = L"Language: ";
inline constexpr wchar_t kLogNotRead[] = L" : not read, ";

// Loads programDir + fileName into the message table. A slot that is still
// empty and that the file did not name gets the program's own text of that
// language. False when the file cannot be read: that is logged, and every
// slot gets the program's own text.
bool LoadMessageFile(Globals& g, System& sys, const std::wstring& fileName);

// Writes the language name as the single line of Language.ini, replacing
// the file whole or not at all.
IoResult WriteLanguageSetting(const Globals& g, System& sys, const std::wstring& language);

}  // namespace vz
