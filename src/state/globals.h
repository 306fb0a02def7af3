// The program's shared state, made once at start-up and living for the
// whole process. The upgrade monitor's own state lives in the event
// handlers (EventHandlers); of a run, only uploaderStarted is kept here.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "messages/message_table.h"

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

  // The port list, as this run has handled it; nothing of it is saved.
  struct PortState {
    // The list's text when it was last handled (picked, left, started).
    std::wstring handledText;
    // The port last written to port.ini successfully in this run.
    std::optional<std::uint8_t> savedPort;
    // Texts whose failed save was already told after leaving the list.
    std::set<std::wstring> failureToldOnLeave;
    // The ports the list shows, each with its device name (empty: none);
    // filled at start-up, then kept by the port list's refresh.
    std::map<std::uint8_t, std::wstring> listed;
    // The USB serial bridges present without a driver, by name.
    std::vector<std::wstring> driverlessBridges;
  } port;
};

}  // namespace vz
