// Switching the language while the program runs.
#pragma once

#include "app/globals.h"
#include "platform/system.h"
#include "ui/main_window.h"

namespace vz {

// Click and double click of the language list.
void OnLanguageChoice(Globals& g, System& sys, MainWindow& window);

}  // namespace vz
