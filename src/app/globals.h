// The program's shared state, made once at start-up and living for the
// whole process. The upgrade monitor's own state lives with the window.
#pragma once

#include <string>

#include "i18n/message_table.h"

namespace vz {

struct Globals {
  // The executable's directory with one trailing backslash; every file of
  // the program is addressed as this followed by the bare file name.
  std::wstring programDir;
  // Where the uploader, its input files and the firmware image are looked
  // for; a copy of programDir.
  std::wstring downloadDir;

  std::wstring currentLanguage;
  std::wstring messageFileName;
  std::wstring flagImageName;
  MessageTable messages;

  // The uploader has been launched in the current run.
  bool uploaderStarted = false;
};

}  // namespace vz
