// Putting the current language's texts on the window, and switching the
// language while the program runs.
#pragma once

#include "app_version.h"
#include "messages/message_table.h"
#include "platform/system.h"
#include "state/globals.h"
#include "window/main_window.h"

namespace vz {

// Shown after the title: two blanks and "(Rel.LABEL)", the label from
// version.txt.
inline constexpr wchar_t kReleaseSuffix[] = L"  (Rel." VZ_RELEASE ")";

// Sets the six localised captions from the table, exactly as stored.
void ApplyLanguage(const MessageTable& messages, MainWindow& window);

// Click and double click of the language list.
void OnLanguageChoice(Globals& g, System& sys, MainWindow& window);

}  // namespace vz
