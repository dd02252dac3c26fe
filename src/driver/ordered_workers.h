// Work items prepared on several threads and finished one by one, in
// order, on the calling thread: the pack builder builds language files in
// parallel and writes files and messages exactly as one thread would.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// The number of threads that prepare work: the PACKSMITH_WORKERS
// environment variable when it holds a number from 1 on, else the
// processor count (at least 1).
int BuildWorkerCount();

// Calls prepare(i) for every i below `count` on `workers` threads and
// finish(i, result) for every i in ascending order on the calling thread.
// Prepared results wait for their turn, at most `ahead` of them (two per
// worker unless given) beyond the one being finished, so memory stays
// bounded however slow finishing is.
// `prepare` must be safe to run on several threads at once. With one
// worker everything runs on the calling thread, item after item. `start`
// runs on the calling thread before the first finish, while the workers
// already prepare.
template <class Prepare, class Start, class Finish>
void RunInOrder(size_t count, int workers, Prepare prepare, Start start, Finish finish, size_t ahead = 0) {
  using Result = decltype(prepare(size_t{0}));
  if (workers <= 1 || count <= 1) {
    start();
    for (size_t i = 0; i < count; ++i) {
      Result result = prepare(i);
      finish(i, result);
    }
    return;
  }
  const size_t window = ahead ? ahead : 2 * static_cast<size_t>(workers);
  std::vector<std::optional<Result>> results(count);
  std::mutex mutex;
  std::condition_variable ready, room;
  size_t next = 0, finished = 0;
  auto work = [&] {
    for (;;) {
      size_t i;
      {
        std::unique_lock lock(mutex);
        room.wait(lock, [&] { return next >= count || next < finished + window; });
        if (next >= count) return;
        i = next++;
      }
      Result result = prepare(i);
      {
        std::lock_guard lock(mutex);
        results[i].emplace(std::move(result));
      }
      ready.notify_all();
    }
  };
  std::vector<std::thread> threads;
  for (int w = 0; w < workers; ++w) threads.emplace_back(work);
  start();
  for (size_t i = 0; i < count; ++i) {
    std::optional<Result> result;
    {
      std::unique_lock lock(mutex);
      ready.wait(lock, [&] { return results[i].has_value(); });
      result = std::move(results[i]);
      results[i].reset();
      finished = i + 1;
    }
    room.notify_all();
    finish(i, *result);
  }
  for (std::thread& thread : threads) thread.join();
}

template <class Prepare, class Finish>
void RunInOrder(size_t count, int workers, Prepare prepare, Finish finish) {
  RunInOrder(count, workers, prepare, [] {}, finish);
}
