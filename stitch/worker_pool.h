// A fixed set of helper threads that one exported call uses for its independent pieces of work.
//
// The caller's thread stays in charge: it hands out an index range, works on it alongside the
// helpers, and alone runs what must happen in order (progress reports, cancel answers, the
// caller's load and release callbacks). Every item writes its own result slot, so what a range
// produces never depends on how many threads worked on it or in which order they finished.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tessaly::stitch {

using ItemWork = std::function<void(size_t index)>;

// TESSALY_THREADS when it holds a whole number from 1 to 256, else the machine's core count
// (at least 1).
int configuredWorkers();

class WorkerPool {
 public:
  // workers - 1 helper threads: the caller's thread is the last worker.
  explicit WorkerPool(int workers);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  int workers() const { return static_cast<int>(helpers_.size()) + 1; }

  // Runs work(i) for every i in [0, count) on any worker, and then(i) on the caller's thread for
  // i = 0, 1, ... in order, each as soon as work(i) has finished. The first failure in index
  // order, thrown by work(i) or then(i), stops the rest: items not yet started are skipped, those
  // running finish, and the failure is rethrown here once no helper touches the range any more.
  // A call made from inside a running range (by any of its items) runs serially.
  void forEach(size_t count, const ItemWork& work, const ItemWork& then = {});

 private:
  struct Range;

  void helperLoop();
  // Claims the next unclaimed item of range and runs it; false when none was left.
  bool runNextItem(Range& range);
  void waitForItem(Range& range, size_t index);
  void detach(Range& range);

  std::mutex mutex_;
  std::condition_variable wake_;      // helpers: a range arrived, or the pool is closing
  std::condition_variable finished_;  // caller: an item finished or a helper left the range
  Range* range_ = nullptr;            // guarded by mutex_
  uint64_t generation_ = 0;           // guarded by mutex_; counts ranges handed out
  bool closing_ = false;              // guarded by mutex_
  std::atomic<bool> busy_{false};     // a range is running
  std::vector<std::thread> helpers_;
};

// True inside an item whose range is being abandoned (an earlier item failed or the caller
// cancelled): long items may stop early; whatever they return is discarded.
bool itemAbandoned();

// Makes a pool of configuredWorkers() the one parallelFor uses on this thread while it lives.
// The helper threads start at the first parallelFor that has more than one item and end with the
// scope, so nothing of the pool outlives the exported call that opened it.
class PoolScope {
 public:
  PoolScope();
  ~PoolScope();
  PoolScope(const PoolScope&) = delete;
  PoolScope& operator=(const PoolScope&) = delete;

  WorkerPool* pool();

 private:
  int workers_;
  std::unique_ptr<WorkerPool> pool_;
  PoolScope* outer_;
};

// WorkerPool::forEach on this thread's pool; without one (no scope, or on a helper thread) the
// items run serially, each followed by its then.
void parallelFor(size_t count, const ItemWork& work, const ItemWork& then = {});

}  // namespace tessaly::stitch

namespace tessaly::stitch {

// Scratch objects for the items of a range: each item borrows one for as long as it runs, so no
// more are ever made than items run at once, and their buffers are reused from item to item.
// Items must not depend on what a borrowed object held before.
template <typename T>
class Spares {
 public:
  class Loan {
   public:
    Loan(Spares& owner, std::unique_ptr<T> item) : owner_(owner), item_(std::move(item)) {}
    ~Loan() { owner_.giveBack(std::move(item_)); }
    Loan(const Loan&) = delete;
    Loan& operator=(const Loan&) = delete;
    T& operator*() const { return *item_; }
    T* operator->() const { return item_.get(); }

   private:
    Spares& owner_;
    std::unique_ptr<T> item_;
  };

  Loan borrow() {
    {
      std::lock_guard lock(mutex_);
      if (!free_.empty()) {
        std::unique_ptr<T> item = std::move(free_.back());
        free_.pop_back();
        return Loan(*this, std::move(item));
      }
    }
    return Loan(*this, std::make_unique<T>());
  }

 private:
  void giveBack(std::unique_ptr<T> item) {
    std::lock_guard lock(mutex_);
    // Without room to keep it the object is simply freed.
    try {
      free_.push_back(std::move(item));
    } catch (...) {
    }
  }

  std::mutex mutex_;
  std::vector<std::unique_ptr<T>> free_;
};

}  // namespace tessaly::stitch
