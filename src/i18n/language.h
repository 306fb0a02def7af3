// The language setting (Language.ini), the choice of message file and flag
// for a language, and loading a message file into the table.
#pragma once

#include <string>

#include "platform/system.h"
#include "state/globals.h"

namespace vz {

inline constexpr wchar_t kLanguageIniName[] = L"Language.ini";
inline constexpr wchar_t kDefaultLanguage[] = L"FRANCAISE";

// Pause after Language.ini has been written, before it is read back.
inline constexpr std::uint32_t kLanguageWritePauseMs = 100;

// Sets currentLanguage from the first line of Language.ini: the language it
// names, blanks and tabs around the name and letter case not counting,
// spelled as the language table spells it; "FRANCAISE" for anything else.
// A missing file is created holding "FRANCAISE".
void ReadLanguageSetting(Globals& g, System& sys);

// Sets messageFileName and flagImageName from currentLanguage when it names
// a known language exactly; otherwise leaves both as they were.
void SelectLanguageFiles(Globals& g);

// Loads programDir + fileName into the message table. False, with the table
// untouched, when the file cannot be opened.
bool LoadMessageFile(Globals& g, System& sys, const std::wstring& fileName);

// Writes the language name as the single line of Language.ini, replacing
// the file whole or not at all.
IoResult WriteLanguageSetting(const Globals& g, System& sys,
                              const std::wstring& language);

}  // namespace vz
