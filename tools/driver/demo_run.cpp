// Plays one whole upgrade in the demo folder, as a technician would, and
// tells the calling script when there is something to photograph:
//   demo_run.exe DEMO_FOLDER RECEIVED_FILE
// Prints "shot NAME" at each sight worth a screenshot and pauses a moment,
// then, at the end, whether the register received the image unchanged.
// Exit code 0 when the run ended in the end message with the whole image
// received, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <string>

#include "driver.h"
#include "platform/win32_system.h"

namespace {

using vz::Control;
using vz::e2e::Program;

void Shot(const char* name) {
  std::printf("shot %s\n", name);
  std::fflush(stdout);
  Sleep(1500);  // the script takes the screenshot meanwhile
}

int Fail(const char* what) {
  std::printf("demo failed: %s\n", what);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return Fail("usage: demo_run.exe DEMO_FOLDER RECEIVED_FILE");
  std::wstring folder = argv[1];
  if (folder.back() != L'\\') folder += L'\\';
  vz::Win32System sys;
  const std::string image = sys.ReadBytes(folder + L"firmware.bin").value_or("");
  const std::size_t before = sys.ReadBytes(argv[2]).value_or("").size();

  Program program(folder);
  const DWORD launched = GetTickCount();
  if (!program.Start() || !program.WaitForWindow()) return Fail("no window");
  std::printf("window shown %lu ms after launch\n", GetTickCount() - launched);
  Shot("window");

  if (!program.ChooseWithMouse(Control::PortList, L"COM3")) return Fail("COM3 not listed");
  program.Press(Control::UpgradeButton);
  auto question = program.WaitForMessageBox(5000);
  if (!question) return Fail("no confirmation question");
  Shot("question");
  Program::Answer(*question, IDYES);

  if (!vz::e2e::WaitUntil([&] { return program.Visible(Control::ProgressPanel); }, 60000)) {
    return Fail("the progress bar never appeared");
  }
  Sleep(2500);
  Shot("progress");
  auto end = program.WaitForMessageBox(120000);
  if (!end) return Fail("no end message");
  Shot("end");
  Program::Answer(*end, IDOK);
  if (!program.WaitForExit(10000)) return Fail("the program did not end");

  const std::string received = sys.ReadBytes(argv[2]).value_or("").substr(before);
  const bool same = !image.empty() && received == image;
  std::printf("register received %zu of %zu bytes, %s\n", received.size(), image.size(),
              same ? "identical to the image" : "NOT identical to the image");
  return same ? 0 : 1;
}
