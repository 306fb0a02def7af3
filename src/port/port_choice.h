// Choosing the serial port: colours the port list and hands the port number
// to the uploader through port.ini.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/system.h"
#include "state/globals.h"
#include "window/main_window.h"

namespace vz {

inline constexpr int kPortWriteAttempts = 3;
// The highest port number a port can have (port.ini holds one byte).
inline constexpr int kHighestPort = 255;

// The name under which port n is opened: "COM3", and "\\.\COM12" from 10 on,
// since only the first nine are reachable without the device prefix.
std::string PortDeviceName(int n);
// The port list's entry for port n: "COM3".
std::wstring PortEntry(int n);

// The port number of a port text: "COM" in any letter case followed by one
// to three decimal digits worth 1 to 255 ("COM03" is port 3); nullopt for
// anything else, "COM0", blanks and other characters included.
std::optional<std::uint8_t> ParsePortText(std::wstring_view text);

// At start-up: a port that port.ini names and the list holds is shown as
// if it had been picked (green, handled), without writing anything.
void OfferLastPort(Globals& g, System& sys, MainWindow& window);

// Whether a chosen port may be written: not while a run holds the list.
enum class PortWrite { Allowed, Held };

// Click and double click of the port list.
void OnPortChoice(Globals& g, System& sys, MainWindow& window, PortWrite write);

// The port list lost the focus or Enter was pressed in it: a text other
// than the one last handled is handled as a pick is.
void CommitPortText(Globals& g, System& sys, MainWindow& window, PortWrite write);
// The list shows a text other than the one last handled.
bool PortTextIsNew(const Globals& g, MainWindow& window);

// How often the report of a failed save is shown: after a pick and at the
// start every time; after leaving the list once per text, so that going in
// and out of the list does not bring the same box back.
enum class FailureReport { EveryTime, OncePerText };

// Saves the port the list's text names. A failed save turns the list red,
// copies nothing and posts "port.ini: " and the system's reason. True when
// port.ini now names the port.
bool SaveChosenPort(Globals& g, System& sys, MainWindow& window, const std::wstring& text,
                    std::uint8_t port, FailureReport report);

// Writes the port number as the first byte of port.ini (three attempts,
// one failure line in the log after the third), then copies port.ini and
// model.ini to the download directory. The failure of the last attempt
// comes back.
IoResult SavePortSetting(Globals& g, System& sys, std::uint8_t port);

}  // namespace vz
