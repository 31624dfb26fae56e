// The worker pool on its own: every item runs once into its slot, the in-order steps run on the
// calling thread in index order, the first failure in index order wins and nothing of the range
// is still running when it reaches the caller. Also run under ThreadSanitizer by make check.
#include "worker_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <numeric>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "errors.h"
#include "progress_log.h"

namespace {

using tessaly::stitch::parallelFor;
using tessaly::stitch::WorkerPool;

// Sets TESSALY_THREADS for the life of the object.
class ThreadsSetting {
 public:
  explicit ThreadsSetting(const char* value) {
    if (const char* old = std::getenv("TESSALY_THREADS")) old_ = old;
    had_ = std::getenv("TESSALY_THREADS") != nullptr;
    if (value != nullptr)
      setenv("TESSALY_THREADS", value, 1);
    else
      unsetenv("TESSALY_THREADS");
  }
  ~ThreadsSetting() {
    if (had_)
      setenv("TESSALY_THREADS", old_.c_str(), 1);
    else
      unsetenv("TESSALY_THREADS");
  }

 private:
  std::string old_;
  bool had_ = false;
};

// Work that takes a little while (tens of microseconds), so that helpers really overlap.
uint64_t busyValue(size_t i) {
  volatile uint64_t v = i + 1;
  for (int k = 0; k < 20000; ++k) v = v * 6364136223846793005ULL + 1442695040888963407ULL;
  return v;
}

TEST(WorkerPool, EveryItemRunsOnceAndTheStepsFollowInOrder) {
  for (const int workers : {1, 2, 3, 8}) {
    WorkerPool pool(workers);
    EXPECT_EQ(pool.workers(), workers);
    for (const size_t count : {size_t{0}, size_t{1}, size_t{7}, size_t{200}}) {
      std::vector<uint64_t> slots(count, 0);
      std::vector<std::atomic<int>> runs(count);
      std::vector<size_t> steps;
      const std::thread::id caller = std::this_thread::get_id();
      bool stepsOnCaller = true;
      pool.forEach(
          count,
          [&](size_t i) {
            ++runs[i];
            slots[i] = busyValue(i);
          },
          [&](size_t i) {
            stepsOnCaller &= std::this_thread::get_id() == caller;
            // The item's own result is there when its step runs.
            EXPECT_EQ(slots[i], busyValue(i));
            steps.push_back(i);
          });
      std::vector<size_t> expected(count);
      std::iota(expected.begin(), expected.end(), size_t{0});
      EXPECT_EQ(steps, expected) << workers << " workers, " << count << " items";
      EXPECT_TRUE(stepsOnCaller);
      for (size_t i = 0; i < count; ++i) EXPECT_EQ(runs[i].load(), 1);
    }
  }
}

TEST(WorkerPool, TheFirstFailureInIndexOrderReachesTheCallerAfterTheRangeIsQuiet) {
  WorkerPool pool(4);
  for (int round = 0; round < 20; ++round) {
    std::atomic<int> running{0};
    std::vector<size_t> steps;
    try {
      pool.forEach(
          100,
          [&](size_t i) {
            ++running;
            busyValue(i);
            --running;
            // Item 60 fails at once; 30 fails after a while, but is first in order.
            if (i == 60) throw std::runtime_error("60");
            if (i == 30) {
              std::this_thread::sleep_for(std::chrono::milliseconds(2));
              throw std::runtime_error("30");
            }
          },
          [&](size_t i) { steps.push_back(i); });
      ADD_FAILURE() << "no failure came back";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "30");
    }
    EXPECT_EQ(running.load(), 0);
    ASSERT_EQ(steps.size(), 30u);
    EXPECT_EQ(steps.back(), 29u);
  }
}

TEST(WorkerPool, AFailingStepAbandonsTheItemsNotYetStarted) {
  WorkerPool pool(3);
  std::atomic<int> started{0};
  EXPECT_THROW(pool.forEach(
                   2000,
                   [&](size_t i) {
                     ++started;
                     busyValue(i);
                   },
                   [&](size_t i) {
                     if (i == 5) tessaly::stitch::fail(QX_CANCELLED);
                   }),
               tessaly::stitch::StitchError);
  EXPECT_LT(started.load(), 2000);
  // The pool is whole again afterwards.
  std::atomic<int> after{0};
  pool.forEach(50, [&](size_t) { ++after; });
  EXPECT_EQ(after.load(), 50);
}

TEST(WorkerPool, ARangeOpenedFromInsideARangeRunsSerially) {
  const ThreadsSetting threads("4");
  tessaly::stitch::PoolScope scope;
  std::vector<std::vector<size_t>> inner(6);
  parallelFor(6, [&](size_t i) {
    parallelFor(
        5, [&](size_t) {}, [&](size_t j) { inner[i].push_back(j); });
  });
  for (const auto& steps : inner) EXPECT_EQ(steps, (std::vector<size_t>{0, 1, 2, 3, 4}));
}

TEST(WorkerPool, WorkerCountComesFromTheEnvironment) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  {
    const ThreadsSetting threads("3");
    EXPECT_EQ(tessaly::stitch::configuredWorkers(), 3);
  }
  for (const char* unusable : {"0", "-2", "two", "4x", "", "100000"}) {
    const ThreadsSetting threads(unusable);
    EXPECT_EQ(tessaly::stitch::configuredWorkers(), static_cast<int>(std::min(cores, 256u)))
        << unusable;
  }
  const ThreadsSetting none(nullptr);
  EXPECT_EQ(tessaly::stitch::configuredWorkers(), static_cast<int>(std::min(cores, 256u)));
}

TEST(WorkerPool, WithoutAScopeOrWithOneWorkerEverythingRunsOnTheCaller) {
  const std::thread::id caller = std::this_thread::get_id();
  bool allOnCaller = true;
  const auto check = [&](size_t) { allOnCaller &= std::this_thread::get_id() == caller; };
  parallelFor(20, check);
  {
    const ThreadsSetting threads("1");
    tessaly::stitch::PoolScope scope;
    EXPECT_EQ(scope.pool(), nullptr);
    parallelFor(20, check);
  }
  EXPECT_TRUE(allOnCaller);
}

TEST(WorkerPool, SparesAreReusedAndNeverSharedBetweenRunningItems) {
  WorkerPool pool(4);
  struct Scratch {
    std::atomic<int> users{0};
  };
  tessaly::stitch::Spares<Scratch> spares;
  std::atomic<bool> shared{false};
  std::atomic<int> made{0};
  std::vector<Scratch*> seen(400, nullptr);
  pool.forEach(400, [&](size_t i) {
    const auto scratch = spares.borrow();
    if (scratch->users.fetch_add(1) != 0) shared = true;
    seen[i] = &*scratch;
    busyValue(i);
    scratch->users.fetch_sub(1);
  });
  EXPECT_FALSE(shared.load());
  std::sort(seen.begin(), seen.end());
  made = static_cast<int>(std::unique(seen.begin(), seen.end()) - seen.begin());
  EXPECT_LE(made.load(), 4);
}

// Reports made on workers reach the caller in item order, each with its cancel answer.
TEST(ProgressLog, ReplaysReportsInOrderAndStopsAtACancel) {
  struct Caller {
    std::vector<long> positions;
    long cancelAt = -1;
    static void onProgress(long position, bool* cancel, void* self) {
      auto& c = *static_cast<Caller*>(self);
      c.positions.push_back(position);
      *cancel = position == c.cancelAt;
    }
  };
  for (const long cancelAt : {-1L, 46L}) {
    Caller caller;
    caller.cancelAt = cancelAt;
    const tessaly::stitch::Progress progress(&Caller::onProgress, &caller);
    const tessaly::stitch::ProgressRange range{&progress, 0, 100};
    WorkerPool pool(4);
    std::vector<tessaly::stitch::ProgressLog> logs(10);
    const auto work = [&](size_t i) {
      const tessaly::stitch::ProgressRange mine =
          logs[i].record(range.sub(i / 10.0, (i + 1) / 10.0));
      for (int k = 0; k < 5; ++k) mine.at(k / 5.0);
    };
    const auto replay = [&](size_t i) { logs[i].replay(range); };
    // What the same reports made directly would have shown.
    std::vector<long> expected;
    for (size_t i = 0; i < 10 && (expected.empty() || expected.back() != cancelAt); ++i) {
      const tessaly::stitch::ProgressRange mine = range.sub(i / 10.0, (i + 1) / 10.0);
      for (int k = 0; k < 5; ++k) {
        expected.push_back(static_cast<long>(mine.start + (mine.end - mine.start) * (k / 5.0)));
        if (expected.back() == cancelAt) break;
      }
    }
    if (cancelAt < 0) {
      pool.forEach(10, work, replay);
    } else {
      EXPECT_THROW(pool.forEach(10, work, replay), tessaly::stitch::StitchError);
    }
    EXPECT_EQ(caller.positions, expected);
  }
}

}  // namespace
