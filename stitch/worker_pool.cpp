#include "worker_pool.h"

#include <algorithm>
#include <cstdlib>
#include <exception>

namespace tessaly::stitch {

namespace {

constexpr int kMostWorkers = 256;

thread_local PoolScope* currentScope = nullptr;
// The abandon flag of the range whose item this thread is running, if any.
thread_local const std::atomic<bool>* currentAbandon = nullptr;

void runSerially(size_t count, const ItemWork& work, const ItemWork& then) {
  for (size_t i = 0; i < count; ++i) {
    work(i);
    if (then) then(i);
  }
}

}  // namespace

int configuredWorkers() {
  if (const char* text = std::getenv("TESSALY_THREADS"); text != nullptr && *text != '\0') {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (*end == '\0' && n >= 1 && n <= kMostWorkers) return static_cast<int>(n);
  }
  const unsigned cores = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp<unsigned>(cores, 1, kMostWorkers));
}

struct WorkerPool::Range {
  Range(size_t count, const ItemWork& work) : count(count), work(work), slots(count) {}

  struct Slot {
    bool done = false;  // guarded by the pool's mutex
    std::exception_ptr failure;
  };

  const size_t count;
  const ItemWork& work;
  std::atomic<size_t> next{0};
  std::atomic<bool> abandoned{false};
  std::vector<Slot> slots;
  int helpersInside = 0;  // guarded by the pool's mutex
};

WorkerPool::WorkerPool(int workers) {
  const int helpers = std::clamp(workers, 1, kMostWorkers) - 1;
  helpers_.reserve(helpers);
  try {
    for (int k = 0; k < helpers; ++k) helpers_.emplace_back([this] { helperLoop(); });
  } catch (...) {
    // A thread that cannot start leaves a smaller pool; the work still gets done.
  }
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  wake_.notify_all();
  for (std::thread& t : helpers_) t.join();
}

void WorkerPool::helperLoop() {
  std::unique_lock lock(mutex_);
  uint64_t seen = 0;
  for (;;) {
    wake_.wait(lock, [&] { return closing_ || (range_ != nullptr && generation_ != seen); });
    if (closing_) return;
    seen = generation_;
    Range& range = *range_;
    ++range.helpersInside;
    lock.unlock();
    while (runNextItem(range)) {
    }
    lock.lock();
    --range.helpersInside;
    finished_.notify_all();
  }
}

bool WorkerPool::runNextItem(Range& range) {
  const size_t index = range.next.fetch_add(1);
  if (index >= range.count) return false;
  std::exception_ptr failure;
  if (!range.abandoned.load()) {
    const std::atomic<bool>* outer = currentAbandon;
    currentAbandon = &range.abandoned;
    try {
      range.work(index);
    } catch (...) {
      failure = std::current_exception();
    }
    currentAbandon = outer;
  }
  {
    std::lock_guard lock(mutex_);
    range.slots[index].failure = failure;
    range.slots[index].done = true;
  }
  finished_.notify_all();
  return true;
}

void WorkerPool::waitForItem(Range& range, size_t index) {
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (range.slots[index].done) return;
    }
    // Work on whatever is left rather than wait; once nothing is, wait for the helpers.
    if (!runNextItem(range)) {
      std::unique_lock lock(mutex_);
      finished_.wait(lock, [&] { return range.slots[index].done; });
      return;
    }
  }
}

void WorkerPool::detach(Range& range) {
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [&] { return range.helpersInside == 0; });
  range_ = nullptr;
}

void WorkerPool::forEach(size_t count, const ItemWork& work, const ItemWork& then) {
  if (helpers_.empty() || count < 2 || busy_.exchange(true)) {
    runSerially(count, work, then);
    return;
  }
  Range range(count, work);
  {
    std::lock_guard lock(mutex_);
    range_ = &range;
    ++generation_;
  }
  wake_.notify_all();

  std::exception_ptr failure;
  for (size_t i = 0; i < count && !failure; ++i) {
    waitForItem(range, i);
    {
      std::lock_guard lock(mutex_);
      failure = range.slots[i].failure;
    }
    if (failure || !then) continue;
    try {
      then(i);
    } catch (...) {
      failure = std::current_exception();
    }
  }
  if (failure) range.abandoned = true;
  // Claim every item left so that no helper starts one, then wait until the helpers are out.
  while (runNextItem(range)) {
  }
  detach(range);
  busy_ = false;
  if (failure) std::rethrow_exception(failure);
}

bool itemAbandoned() {
  return currentAbandon != nullptr && currentAbandon->load(std::memory_order_relaxed);
}

PoolScope::PoolScope() : workers_(configuredWorkers()), outer_(currentScope) {
  currentScope = this;
}

PoolScope::~PoolScope() {
  currentScope = outer_;
}

WorkerPool* PoolScope::pool() {
  if (!pool_ && workers_ > 1) pool_ = std::make_unique<WorkerPool>(workers_);
  return pool_.get();
}

void parallelFor(size_t count, const ItemWork& work, const ItemWork& then) {
  WorkerPool* pool = currentScope != nullptr && count > 1 ? currentScope->pool() : nullptr;
  if (pool == nullptr) {
    runSerially(count, work, then);
    return;
  }
  pool->forEach(count, work, then);
}

}  // namespace tessaly::stitch
