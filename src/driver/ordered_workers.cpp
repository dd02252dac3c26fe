#include "driver/ordered_workers.h"

#include <utility>

#include "os/process.h"

SideTask::SideTask(std::function<void()> task, const ThreadStart& startThread) : task_(std::move(task)) {
  auto body = [this] {
    try {
      task_();
    } catch (...) {
      error_ = std::current_exception();
    }
  };
  try {
    thread_ = startThread ? startThread(body) : std::thread(body);
  } catch (const std::exception&) {
    // Left to Wait(), on the calling thread.
  }
}

SideTask::~SideTask() {
  if (thread_.joinable()) thread_.join();
}

void SideTask::Wait() {
  const bool started = thread_.joinable();
  if (started) thread_.join();
  const std::function<void()> task = std::exchange(task_, nullptr);
  if (!started && task) task();
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}
