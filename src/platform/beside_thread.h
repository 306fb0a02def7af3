// A job run beside the caller: on a thread of its own, or on the caller's
// thread, late rather than never, when no thread can be had.
#pragma once

#include <functional>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>

namespace vz {

// Nothing the job throws leaves it (an exception at a thread's edge ends
// the program): a job that failed has reported what it found so far.
// `then` runs after the job, on the same thread, whatever the job did. The
// job is joined when this goes, unless it was let go.
class BesideThread {
 public:
  explicit BesideThread(std::function<void()> job, std::function<void()> then = nullptr) {
    // Shared with the thread, which may outlive this once let go.
    const auto task = std::make_shared<Task>(Task{std::move(job), std::move(then)});
    try {
      thread_ = std::thread([task] { task->Run(); });
    } catch (const std::system_error&) {
      task->Run();
    }
  }
  ~BesideThread() { Join(); }
  BesideThread(const BesideThread&) = delete;
  BesideThread& operator=(const BesideThread&) = delete;

  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  // Not waited for: the job owns what it uses and ends on its own.
  void LetGo() {
    if (thread_.joinable()) thread_.detach();
  }

 private:
  struct Task {
    std::function<void()> job;
    std::function<void()> then;
    void Run() noexcept {
      try {
        job();
      } catch (...) {}
      if (then) then();
    }
  };
  std::thread thread_;
};

}  // namespace vz
