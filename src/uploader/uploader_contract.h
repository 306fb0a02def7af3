// What this program and the uploader Up_Loader.exe agree on: the files it
// reads and leaves, how it is started and watched, and the log texts of a
// run. Everything about a run that is a fixed value lives here.
#pragma once

#include <cstdint>

namespace vz::uploader {

// The uploader and its inputs, all in the download directory.
inline constexpr wchar_t kProgramFile[] = L"Up_Loader.exe";
inline constexpr wchar_t kProcessName[] = L"Up_Loader.exe";
inline constexpr wchar_t kPortFile[] = L"port.ini";    // first byte: port
inline constexpr wchar_t kModelFile[] = L"model.ini";  // copied, never read
inline constexpr wchar_t kImagePattern[] = L"*.bin";

// Marker files the uploader leaves in the program directory, in the order
// of the phases that look for them. Only their presence counts.
inline constexpr wchar_t kErasing[] = L"erasing.txt";   // erase heartbeat
inline constexpr wchar_t kErase[] = L"erase.txt";       // erase finished
inline constexpr wchar_t kWrite[] = L"write.txt";       // writing begun
inline constexpr wchar_t kWriting[] = L"writing.txt";   // write heartbeat
inline constexpr wchar_t kWriteOk[] = L"write_ok.txt";  // run succeeded
inline constexpr const wchar_t* kMarkers[] = {kErasing, kErase, kWrite, kWriting, kWriteOk};

// Timing of the monitor.
inline constexpr double kPauseAfterLaunchSeconds = 2;
// A phase fails when more than this has passed since it began or last saw
// a sign of life.
inline constexpr std::uint64_t kPhaseTimeoutMs = 10000;

// Progress: this many steps fill the bar panel; the count stops at 255.
inline constexpr int kProgressScale = 26;
inline constexpr std::uint8_t kMaxProgressSteps = 255;

// Event-log texts, never translated.
inline constexpr wchar_t kLogUpgradeStart[] = L"Fw Upgrade START";
inline constexpr wchar_t kLogImageMissing[] = L"File BIN to download missed";
inline constexpr wchar_t kLogUploaderMissing[] = L"Programm 'Up_Loader.exe' missed";
inline constexpr wchar_t kLogUploaderRun[] = L"Timer_UL_Test: Up_Loader.exe : run";
// Followed by the error number, a blank and the system's text.
inline constexpr wchar_t kLogUploaderNotStarted[] = L"Timer_UL_Test: Up_Loader.exe : not started, ";
// Followed by the exit code of the uploader this run launched, once phase
// 0 has seen it gone.
inline constexpr wchar_t kLogUploaderEnded[] = L"Timer_UL_Test: Up_Loader.exe : ended, exit code ";
// The time-out box's further line when that code is not 0: this and the
// code. A code from this floor on is a system status (0xC0000005: a
// crash), shown in hex.
inline constexpr wchar_t kExitCodeLine[] = L"Up_Loader.exe: exit code ";
inline constexpr std::uint32_t kSystemStatusFloor = 0xC0000000;
// The last line of a run, after the lines above: how it ended.
inline constexpr wchar_t kLogUpgradeEndOk[] = L"Fw Upgrade END: OK";
// Followed by the number of the phase that timed out.
inline constexpr wchar_t kLogUpgradeEndTimeout[] = L"Fw Upgrade END: time-out, phase ";
inline constexpr wchar_t kLogUpgradeEndWindowClosed[] = L"Fw Upgrade END: window closed";
// Windows ended the session (a forced shutdown or logoff) during a run.
inline constexpr wchar_t kLogUpgradeEndSessionEnded[] = L"Fw Upgrade END: Windows session ended";
// Followed by the error number, a blank and the system's text, or by the
// text alone of a run-time error; once per run.
inline constexpr wchar_t kLogProcessListNotRead[] = L"Timer_UL_Test: process list not read, ";
// Checks before a launch that refuse the start.
inline constexpr wchar_t kLogUploaderAlreadyRunning[] =
    L"Fw Upgrade: Up_Loader.exe : already running";
// After kLogRunGivenPrefix and "COM3": this, the error number, a blank and
// the system's text.
inline constexpr wchar_t kLogPortNotOpened[] = L" : not opened, ";
// "COM7" and this, followed by the error number, a blank and the system's
// text: the probe of the port list was still in that port's open.
inline constexpr wchar_t kLogProbeNotEnded[] = L" : still being probed, ";
// "COM3" and this: the run's port went, or came back, during the run.
inline constexpr wchar_t kLogRunPortRemoved[] = L" removed";
inline constexpr wchar_t kLogRunPortArrived[] = L" arrived";
// Once every check has passed: this, the run's port (with its device's
// name when it has one) and every image with its size and, when it is not
// empty, its SHA-256 in lower-case hex, e.g. "Fw Upgrade: COM3
// (USB-SERIAL CH340), firmware.bin 49152 bytes sha256 9f86d0...".
inline constexpr wchar_t kLogRunGivenPrefix[] = L"Fw Upgrade: ";
inline constexpr wchar_t kLogDigestPrefix[] = L" sha256 ";
// An image or its checksum file that cannot be read: "Fw Upgrade: ", its
// name and this, followed by the error number, a blank and the system's
// text.
inline constexpr wchar_t kLogFileNotRead[] = L" : not read, ";
// A checksum file whose first line holds no digest: "Fw Upgrade: ", its
// name and this.
inline constexpr wchar_t kLogNoChecksum[] = L" : holds no checksum";
// An image that differs from its checksum file: "Fw Upgrade: ", the
// image's name, this and its digest, then ", ", the checksum file's name,
// a blank and the digest that file holds.
inline constexpr wchar_t kLogImageDamaged[] = L" : damaged, sha256 ";
inline constexpr wchar_t kLogPortWriteFailed[] = L"Write_rs232_fw: Superati 3 tentativi di lettura";

}  // namespace vz::uploader
