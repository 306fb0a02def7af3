// The window's one background job: its work runs on a worker thread, and
// what follows it runs on the window's thread once the worker has posted
// that it is done.
#include "ui/win32_window.h"

#include <memory>

#include "ui/window_messages.h"

namespace vz {
namespace {

struct BackgroundJob {
  std::function<void()> work;
  HWND window;
};

DWORD WINAPI RunBackgroundJob(void* parameter) {
  const std::unique_ptr<BackgroundJob> job(static_cast<BackgroundJob*>(parameter));
  // Nothing may leave a thread's edge: an exception there ends the program.
  // A job that failed reports what it found so far.
  try {
    job->work();
  } catch (...) {}
  // Fails harmlessly when the window has gone meanwhile.
  PostMessageW(job->window, kJobDoneMessage, 0, 0);
  return 0;
}

}  // namespace

void Win32Window::RunInBackground(std::function<void()> work,
                                  std::function<void(MainWindow&)> done) {
  if (!hwnd_) return;
  WaitForBackgroundJob(INFINITE);  // the last one has reported; it is ending
  auto* job = new BackgroundJob{std::move(work), hwnd_};
  jobThread_.reset(CreateThread(nullptr, 0, RunBackgroundJob, job, 0, nullptr));
  if (!jobThread_.valid()) {
    // No thread to be had: the job runs here, late rather than never.
    RunBackgroundJob(job);
  }
  jobDone_ = std::move(done);
}

void Win32Window::OnBackgroundJobDone() {
  WaitForBackgroundJob(INFINITE);  // it has posted this and is returning
  std::function<void(MainWindow&)> done = std::move(jobDone_);
  jobDone_ = nullptr;
  if (done) done(*this);
}

bool Win32Window::AwaitBackgroundWork(std::uint32_t limitMs) {
  const ULONGLONG start = GetTickCount64();
  // The window answers meanwhile: it is painted, a close is asked, Windows'
  // messages are answered. The events may end the window, or the job.
  while (hwnd_ && jobThread_.valid()) {
    const ULONGLONG waited = GetTickCount64() - start;
    if (waited >= limitMs) return false;
    HANDLE thread = jobThread_.get();
    const DWORD woken = MsgWaitForMultipleObjectsEx(
        1, &thread, static_cast<DWORD>(limitMs - waited), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woken == WAIT_OBJECT_0) {
      jobThread_.Close();
    } else if (woken == WAIT_OBJECT_0 + 1) {
      PumpEvents();
    } else {
      return false;
    }
  }
  return true;
}

void Win32Window::WaitForBackgroundJob(DWORD ms) {
  if (!jobThread_.valid()) return;
  if (WaitForSingleObject(jobThread_.get(), ms) == WAIT_OBJECT_0) jobThread_.Close();
}

}  // namespace vz
