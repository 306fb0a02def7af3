// UL_Heartbeat.exe: started by the simulated Up_Loader.exe (heartbeat
// scenario) after the uploader itself has gone. It stands in for the part
// of a real uploader that finishes in a second process: it keeps writing.txt
// alive for the watching program and leaves write_ok.txt at the end.
//
// Every heartbeat_ms it looks at writing.txt; if the watcher has taken it
// away it creates it again and counts one beat. After `heartbeats` beats it
// waits (at most 5 s) for the watcher to collect the last writing.txt, then
// writes write_ok.txt. If writing.txt is never collected for 30 s it gives
// up without write_ok.txt (exit 4), so an unattended run cannot hang.

#include "sim_common.h"
#include "testkit/wait.h"

namespace {

using namespace ulsim;

constexpr DWORD kFinalWaitMs = 5000;
constexpr ULONGLONG kStuckLimitMs = 30000;
constexpr DWORD kPollMs = 50;
constexpr int kExitOk = 0;
constexpr int kExitStuck = 4;

class HeartbeatHelper {
 public:
  HeartbeatHelper() : dir_(ExeDir()), log_(JoinPath(dir_, kLogName), "helper ") {}

  int Run() {
    LogStart(log_);
    settings_ = LoadSettings(dir_, nullptr);
    log_.Line("heartbeats=" + Num(settings_.heartbeats) +
              " heartbeat_ms=" + Num(settings_.heartbeat_ms));
    if (!Beat()) {
      return Exit(kExitStuck);
    }
    WaitForCollection();
    if (!WriteTextFile(JoinPath(dir_, kMarkerWriteOk), "write ok\r\n")) {
      log_.Line("write_ok.txt could not be written (error " + Num(GetLastError()) + ")");
    } else {
      log_.Line("write_ok.txt written");
    }
    return Exit(kExitOk);
  }

 private:
  std::wstring Writing() const { return JoinPath(dir_, kMarkerWriting); }

  // Returns false if the watcher stopped collecting writing.txt.
  bool Beat() {
    unsigned beats = 0;
    ULONGLONG last_change = GetTickCount64();
    while (beats < settings_.heartbeats) {
      Sleep(settings_.heartbeat_ms);
      if (FileExists(Writing())) {
        if (GetTickCount64() - last_change > kStuckLimitMs) {
          log_.Line("gave up: writing.txt not collected for 30 s after beat " + Num(beats));
          return false;
        }
        continue;
      }
      if (!WriteTextFile(Writing(), "writing\r\n")) {
        log_.Line("writing.txt could not be written (error " + Num(GetLastError()) + ")");
        continue;
      }
      ++beats;
      last_change = GetTickCount64();
      log_.Line("beat " + Num(beats) + "/" + Num(settings_.heartbeats));
    }
    return true;
  }

  void WaitForCollection() {
    if (!vz::test::WaitUntil([&] { return !FileExists(Writing()); }, kFinalWaitMs, kPollMs)) {
      log_.Line("writing.txt still there after 5 s");
    }
  }

  int Exit(int code) {
    log_.Line("exit " + Num(code));
    return code;
  }

  std::wstring dir_;
  Log log_;
  Settings settings_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  HeartbeatHelper helper;
  return helper.Run();
}
