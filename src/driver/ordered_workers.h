// Work items prepared on several threads and finished one by one, in
// order, on the calling thread: the pack builder builds language files in
// parallel and writes files and messages exactly as one thread would.
//
// A thread that cannot be started (a user at the process limit of a shared
// host or a container) never ends the run: its work goes to the threads
// that did start, the calling one at least, with the same result.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Starts a thread running `work`, or throws as std::thread does when it
// cannot. Empty: std::thread itself. Tests hand in one that fails.
using ThreadStart = std::function<std::thread(std::function<void()>)>;

// Calls prepare(i) for every i below `count` on up to `workers` threads and
// finish(i, result) for every i in ascending order on the calling thread.
// Prepared results wait for their turn, at most `ahead` of them (two per
// worker unless given) beyond the one being finished, so memory stays
// bounded however slow finishing is.
// `prepare` must be safe to run on several threads at once. With one
// worker, one item, or no thread that can be started, everything runs on
// the calling thread, item after item.
// An exception of prepare(i) is thrown on the calling thread where item i
// would be finished, after every earlier item was finished; whatever is
// thrown, the workers are stopped and joined first.
template <class Prepare, class Finish>
void RunInOrder(size_t count, int workers, Prepare prepare, Finish finish, size_t ahead = 0,
                const ThreadStart& startThread = {}) {
  using Result = decltype(prepare(size_t{0}));
  auto oneByOne = [&] {
    for (size_t i = 0; i < count; ++i) {
      Result result = prepare(i);
      finish(i, result);
    }
  };
  const size_t wanted = std::min(count, static_cast<size_t>(std::max(workers, 1)));
  if (wanted <= 1) return oneByOne();

  struct Slot {
    std::optional<Result> result;
    std::exception_ptr error;
  };
  const size_t window = ahead ? ahead : 2 * wanted;
  std::vector<Slot> slots(count);
  std::mutex mutex;
  std::condition_variable ready, room;
  size_t next = 0, finished = 0;
  bool stopping = false;
  auto work = [&] {
    for (;;) {
      size_t i;
      {
        std::unique_lock lock(mutex);
        room.wait(lock, [&] { return stopping || next >= count || next < finished + window; });
        if (stopping || next >= count) return;
        i = next++;
      }
      Slot slot;
      try {
        slot.result.emplace(prepare(i));
      } catch (...) {
        slot.error = std::current_exception();
      }
      {
        std::lock_guard lock(mutex);
        slots[i] = std::move(slot);
      }
      ready.notify_all();
    }
  };

  // Joined however the calling thread leaves: the workers stop at their
  // next item.
  struct Workers {
    std::vector<std::thread> threads;
    std::mutex& mutex;
    std::condition_variable& room;
    bool& stopping;
    ~Workers() {
      {
        std::lock_guard lock(mutex);
        stopping = true;
      }
      room.notify_all();
      for (std::thread& thread : threads) thread.join();
    }
  } running{{}, mutex, room, stopping};
  running.threads.reserve(wanted);
  for (size_t w = 0; w < wanted; ++w) {
    try {
      running.threads.push_back(startThread ? startThread(work) : std::thread(work));
    } catch (const std::exception&) {
      break;  // the threads started so far do the work
    }
  }
  if (running.threads.empty()) return oneByOne();

  for (size_t i = 0; i < count; ++i) {
    Slot slot;
    {
      std::unique_lock lock(mutex);
      ready.wait(lock, [&] { return slots[i].result.has_value() || slots[i].error; });
      slot = std::move(slots[i]);
      slots[i] = Slot();
      finished = i + 1;
    }
    room.notify_all();
    if (slot.error) std::rethrow_exception(slot.error);
    finish(i, *slot.result);
  }
}

// A task run beside the calling thread, on a thread of its own, until
// Wait(). When no thread can be started the calling thread runs it in
// Wait() instead; a task never waited for then does not run at all. An
// exception of the task is thrown again by Wait().
class SideTask {
 public:
  explicit SideTask(std::function<void()> task, const ThreadStart& startThread = {});
  ~SideTask();
  SideTask(const SideTask&) = delete;
  SideTask& operator=(const SideTask&) = delete;
  void Wait();

 private:
  std::function<void()> task_;
  std::exception_ptr error_;
  std::thread thread_;
};
