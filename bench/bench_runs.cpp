// Timing fidelity of whole runs under Wine: the staged program, driven from
// outside, with the simulated uploader on virtual COM3.
//   success            uploader exit -> end message: the tick that sees the
//                      exit comes 0-0.5 s after it, then seven 500 ms ticks
//                      (phases 1 to 7 and the message): 3.5-4.0 s
//   stop-before-write  uploader exit -> time-out message naming phase 4:
//                      0-0.5 s, three ticks (phases 1 to 3), then 10.0-10.5 s
//                      in phase 4: 11.5-12.5 s. The phase-2 tick deletes the
//                      erasing.txt the uploader left; phase 4 begins one tick
//                      (500 ms) later, which gives the phase-start-to-message
//                      figure, expected 10.0-10.5 s.
// The uploader is made to erase for 2.6-3.0 s (a different length each
// run): one that ends within the monitor's 2 s pause after the launch is
// first seen gone when that pause ends, which would lengthen both figures
// without saying anything about the ticks, and a length that is a whole
// number of ticks would always end at the same point of the tick.
// Usage: bench_runs.exe [RUNS]  (the staged template lies beside the exe)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_common.h"
#include "messages/message_table.h"
#include "platform/text_decoding.h"
#include "platform/win32_system.h"
#include "testkit/driver.h"

using vzbench::Fmt;
using vzbench::Median;
using vzbench::Report;

namespace {

using vz::Control;
using vz::e2e::Program;
using vz::e2e::StagedFolder;
using vz::e2e::WaitUntil;

double NowS() {
  static LARGE_INTEGER frequency{};
  if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / frequency.QuadPart;
}

struct RunResult {
  bool ok = false;
  double exitToMessage = 0;
  double phase4ToMessage = 0;  // stop-before-write only
  std::string problem;
};

RunResult OneRun(bool fail, int eraseMs, const vz::MessageTable& texts) {
  RunResult r;
  StagedFolder folder(L"bench");
  // The uploader's erase lasts 2.6-3.0 s, so it ends after the monitor's
  // 2 s pause following the launch, and each run ends at another point of
  // the 500 ms tick.
  const std::string scenario = fail ? "stop-before-write" : "success";
  folder.Write(L"uploader-sim.ini",
               "scenario=" + scenario + "\r\nerase_ms=" + std::to_string(eraseMs) + "\r\n");
  Program program(folder.path());
  if (!program.Start() || !program.WaitForWindow()) {
    r.problem = "the program did not show its window";
    return r;
  }
  program.Choose(Control::PortList, L"COM3");
  if (!WaitUntil([&] { return folder.Has(L"port.ini"); }, 5000)) {
    r.problem = "no port.ini after choosing COM3";
    return r;
  }
  program.Press(Control::UpgradeButton);
  auto question = program.WaitForMessageBox(5000);
  if (!question) {
    r.problem = "no confirmation question";
    return r;
  }
  Program::Answer(*question, IDYES);
  if (!WaitUntil([&] { return program.UploaderRunning(); }, 10000, 5)) {
    r.problem = "the uploader never ran";
    return r;
  }
  if (!WaitUntil([&] { return !program.UploaderRunning(); }, 30000, 2)) {
    r.problem = "the uploader did not end";
    return r;
  }
  const double gone = NowS();
  // The uploader leaves erasing.txt behind; the monitor's phase-2 tick
  // deletes it, which dates that tick from outside.
  const bool erasingLeft = folder.Has(L"erasing.txt");
  double erasingDeleted = 0;
  std::optional<vz::e2e::MessageBoxSeen> box;
  WaitUntil(
      [&] {
        if (fail && !erasingDeleted && !folder.Has(L"erasing.txt")) erasingDeleted = NowS();
        return (box = vz::e2e::FindMessageBox(program.pid())).has_value();
      },
      20000, 2);
  const double shown = NowS();
  if (!box) {
    r.problem = "no message within 20 s of the uploader's exit";
    return r;
  }
  const std::wstring& text = box->text;
  const std::wstring expected = fail ? vz::ForDisplay(texts[vz::Msg::DownloadTimeout]) + L" 4"
                                     : vz::ForDisplay(texts[vz::Msg::End]);
  if (text != expected) {
    r.problem = "an unexpected message";
    return r;
  }
  Program::Answer(*box, IDOK);
  r.ok = true;
  r.exitToMessage = shown - gone;
  if (fail) {
    if (!erasingLeft || !erasingDeleted) {
      r.ok = false;
      r.problem =
          erasingLeft ? "erasing.txt was never deleted" : "the uploader left no erasing.txt";
    }
    r.phase4ToMessage = shown - (erasingDeleted + 0.5);
  } else {
    program.WaitForExit(5000);
  }
  return r;
}

std::string List(const std::vector<double>& v) {
  std::string s;
  for (double x : v) s += (s.empty() ? "" : ", ") + Fmt("%.2f", x);
  return s;
}

bool AllWithin(const std::vector<double>& v, double lo, double hi) {
  for (double x : v) {
    if (x < lo || x > hi) return false;
  }
  return !v.empty();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int runs = argc > 1 ? _wtoi(argv[1]) : 3;
  vz::Win32System sys;
  vz::MessageTable texts;
  vz::ParseMessageText(
      vz::DecodeTextFile(sys.ReadBytes(vz::e2e::TemplateDir() + L"FrmDescFRA.txt").value_or(""),
                         sys),
      texts);

  std::vector<double> endDelay, failDelay, phase4;
  int broken = 0;
  for (int i = 0; i < runs; ++i) {
    for (bool fail : {false, true}) {
      const int eraseMs = 2600 + 170 * (i % 3);
      const RunResult r = OneRun(fail, eraseMs, texts);
      if (!r.ok) {
        ++broken;
        std::printf("run %d (%s): %s\n", i + 1, fail ? "stop-before-write" : "success",
                    r.problem.c_str());
        continue;
      }
      std::printf("run %d (%s, erase_ms=%d): exit -> message %.3f s%s\n", i + 1,
                  fail ? "stop-before-write" : "success", eraseMs, r.exitToMessage,
                  fail ? (", phase 4 -> message " + Fmt("%.3f s", r.phase4ToMessage)).c_str() : "");
      std::fflush(stdout);
      (fail ? failDelay : endDelay).push_back(r.exitToMessage);
      if (fail) phase4.push_back(r.phase4ToMessage);
    }
  }
  const std::string brokenNote =
      broken ? "; " + std::to_string(broken) + " run(s) failed, see the log" : "";
  // The window and polling add a few ms; the bounds allow 0.1 s for them.
  Report("success: uploader exit -> end message [" + std::to_string(endDelay.size()) + " runs]",
         Fmt("%.2f s", Median(endDelay)), "-", "-", "3.5-4.0 s each (+0.1 s polling)",
         AllWithin(endDelay, 3.5, 4.1), "runs: " + List(endDelay) + " s" + brokenNote);
  Report("stop-before-write: uploader exit -> time-out message (phase 4) [" +
             std::to_string(failDelay.size()) + " runs]",
         Fmt("%.2f s", Median(failDelay)), "-", "-",
         "11.5-12.5 s each (0-0.5 + 1.5 + 10.0-10.5; +0.1 s polling)",
         AllWithin(failDelay, 11.5, 12.6), "runs: " + List(failDelay) + " s" + brokenNote);
  Report("stop-before-write: phase 4 start -> time-out message (derived) [" +
             std::to_string(phase4.size()) + " runs]",
         Fmt("%.2f s", Median(phase4)), "-", "-", "10.0-10.5 s each (+0.1 s polling)",
         AllWithin(phase4, 10.0, 10.6),
         "phase 4 start = the phase-2 tick's deletion of erasing.txt + one 500 ms tick; runs: " +
             List(phase4) + " s");
  return 0;
}
