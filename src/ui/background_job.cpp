// The window's one background job: its work runs on a worker thread, and
// what follows it runs on the window's thread once the worker has posted
// that it is done.
#include "ui/win32_window.h"

#include <memory>

#include "ui/window_messages.h"

namespace vz {

void Win32Window::RunInBackground(std::function<void()> work,
                                  std::function<void(MainWindow&)> done) {
  if (!hwnd_) return;
  job_.reset();  // the last one has reported; it is ending
  jobDone_ = std::move(done);
  // Set by the worker as its last act; the worker shares it, as it may
  // outlive the window.
  auto ended = std::make_shared<ScopedHandle>(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  jobEnded_ = ended;
  HWND window = hwnd_;
  job_ = std::make_unique<BesideThread>(std::move(work), [ended, window] {
    if (ended->valid()) SetEvent(ended->get());
    // Fails harmlessly when the window has gone meanwhile.
    PostMessageW(window, kJobDoneMessage, 0, 0);
  });
}

void Win32Window::OnBackgroundJobDone() {
  job_.reset();  // it has posted this and is returning
  std::function<void(MainWindow&)> done = std::move(jobDone_);
  jobDone_ = nullptr;
  if (done) done(*this);
}

bool Win32Window::AwaitBackgroundWork(std::uint32_t limitMs) {
  const ULONGLONG start = GetTickCount64();
  // The window answers meanwhile: it is painted, a close is asked, Windows'
  // messages are answered. The events may end the window, or the job.
  while (hwnd_ && job_) {
    const ULONGLONG waited = GetTickCount64() - start;
    if (waited >= limitMs) return false;
    HANDLE ended = jobEnded_->get();
    // Without an event (no memory for one) the worker's end is waited for.
    const DWORD woken = !jobEnded_->valid() ? WAIT_OBJECT_0
                                            : MsgWaitForMultipleObjectsEx(
                                                  1, &ended, static_cast<DWORD>(limitMs - waited),
                                                  QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woken == WAIT_OBJECT_0) {
      job_->Join();  // its work is done and it is returning
      return true;
    }
    if (woken != WAIT_OBJECT_0 + 1) return false;
    PumpEvents();
  }
  return true;
}

}  // namespace vz
