// Choosing the serial port: colours the port list and hands the port number
// to the uploader through port.ini.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "app/globals.h"
#include "platform/system.h"
#include "ui/main_window.h"

namespace vz {

inline constexpr int kPortWriteAttempts = 3;

// The port number of a list text "COM<n>" with n from 0 to 255 in decimal
// digits; nullopt for anything else (too short, another prefix, no number,
// out of range), which the list can only hold when it was typed in.
std::optional<std::uint8_t> ParsePortText(std::wstring_view text);

// Click and double click of the port list.
void OnPortChoice(Globals& g, System& sys, MainWindow& window);

// Writes the port number as the first byte of port.ini (three attempts,
// one failure line in the log after the third), then copies port.ini and
// model.ini to the download directory.
void SavePortSetting(Globals& g, System& sys, std::uint8_t port);

}  // namespace vz
