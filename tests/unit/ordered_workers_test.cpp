// The ordered workers when threads cannot be had or work fails: a thread
// that does not start leaves its items to the others (the calling thread at
// least), a worker's exception reaches the calling thread in list order,
// and no more threads start than there are items or processors.
#include <gtest/gtest.h>
#include <sched.h>

#include <atomic>
#include <new>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "driver/environment.h"
#include "driver/ordered_workers.h"
#include "support/harness.h"

namespace {

// Starts the first `allowed` threads asked for, then fails as std::thread
// does at the process limit; counts every attempt.
struct LimitedStart {
  int allowed;
  std::atomic<int> asked{0};
  ThreadStart Start() {
    return [this](std::function<void()> work) {
      if (asked++ >= allowed) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
      return std::thread(std::move(work));
    };
  }
};

// The items finished, in the order finished, with the thread that finished
// them.
struct Finished {
  std::vector<size_t> items;
  bool onCaller = true;
};

void RunItems(Finished& finished, size_t count, int workers, const ThreadStart& start, size_t throwAt = SIZE_MAX) {
  const std::thread::id caller = std::this_thread::get_id();
  RunInOrder(
      count, workers,
      [&](size_t i) {
        if (i == throwAt) throw std::bad_alloc();
        return i * 10;
      },
      [&](size_t i, size_t result) {
        EXPECT_EQ(result, i * 10);
        finished.onCaller = finished.onCaller && std::this_thread::get_id() == caller;
        finished.items.push_back(i);
      },
      0, start);
}

std::vector<size_t> Upto(size_t n) {
  std::vector<size_t> items;
  for (size_t i = 0; i < n; ++i) items.push_back(i);
  return items;
}

}  // namespace

TEST(OrderedWorkers, ThreadsThatCannotStartLeaveTheirWorkToTheOthers) {
  for (int allowed : {0, 1, 3}) {
    LimitedStart start{allowed};
    Finished finished;
    RunItems(finished, 40, 4, start.Start());
    EXPECT_EQ(finished.items, Upto(40)) << allowed;
    EXPECT_TRUE(finished.onCaller) << allowed;
    // One failure ends the starting: the threads that did start do the rest.
    EXPECT_EQ(start.asked, std::min(allowed + 1, 4)) << allowed;
  }
  // No more threads than items.
  LimitedStart start{8};
  Finished finished;
  RunItems(finished, 3, 8, start.Start());
  EXPECT_EQ(finished.items, Upto(3));
  EXPECT_EQ(start.asked, 3);
}

TEST(OrderedWorkers, WorkerExceptionReachesTheCallerInListOrder) {
  for (int allowed : {0, 2}) {
    LimitedStart start{allowed};
    Finished finished;
    EXPECT_THROW(RunItems(finished, 30, 2, start.Start(), 7), std::bad_alloc) << allowed;
    // Thrown where item 7 would be finished: every earlier item was.
    EXPECT_EQ(finished.items, Upto(7)) << allowed;
  }
  // What finishing throws stops the workers too, and reaches the caller.
  EXPECT_THROW(RunInOrder(
                   100, 3, [](size_t i) { return i; },
                   [](size_t i, size_t) {
                     if (i == 5) throw std::runtime_error("finish");
                   }),
               std::runtime_error);
}

TEST(OrderedWorkers, WorkerCountFollowsTheProcessorsTheProcessMayUse) {
  harness::EnvOverride unset("PACKSMITH_WORKERS", nullptr);
  cpu_set_t all, one;
  ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
  EXPECT_EQ(BuildWorkerCount(), CPU_COUNT(&all));
  CPU_ZERO(&one);
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
    if (CPU_ISSET(cpu, &all)) {
      CPU_SET(cpu, &one);
      break;
    }
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  EXPECT_EQ(BuildWorkerCount(), 1);
  ASSERT_EQ(sched_setaffinity(0, sizeof all, &all), 0);
  harness::EnvOverride three("PACKSMITH_WORKERS", "3");
  EXPECT_EQ(BuildWorkerCount(), 3);
}

TEST(OrderedWorkers, SideTaskWithoutAThreadRunsWhenWaitedFor) {
  LimitedStart none{0};
  const std::thread::id caller = std::this_thread::get_id();
  std::thread::id ranOn;
  {
    SideTask task([&] { ranOn = std::this_thread::get_id(); }, none.Start());
    EXPECT_EQ(ranOn, std::thread::id());
    task.Wait();
  }
  EXPECT_EQ(ranOn, caller);
  bool ran = false;
  { SideTask never([&] { ran = true; }, none.Start()); }
  EXPECT_FALSE(ran);
  // Its exception is thrown by Wait(), on a thread of its own or not.
  for (int allowed : {0, 1}) {
    LimitedStart start{allowed};
    SideTask failing([] { throw std::bad_alloc(); }, start.Start());
    EXPECT_THROW(failing.Wait(), std::bad_alloc) << allowed;
  }
}
