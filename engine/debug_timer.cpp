// Debug timers: a stopwatch in a heap block of three words, and a log line appended to a file.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "zanHeap.h"
#include "zanengin.h"

namespace {

struct Timer {
  int32_t elapsed;  // milliseconds
  int32_t running;
  int32_t start;  // tick count in milliseconds when it last started
};

// A millisecond tick count that wraps like a 32-bit one; differences stay right across a wrap.
int32_t tickNow() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
  return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

int32_t since(int32_t start) {
  return static_cast<int32_t>(static_cast<uint32_t>(tickNow()) - static_cast<uint32_t>(start));
}

bool writeAll(int fd, const char* data, size_t count) {
  while (count > 0) {
    const ssize_t written = ::write(fd, data, count);
    if (written <= 0) return false;
    data += written;
    count -= size_t(written);
  }
  return true;
}

}  // namespace

extern "C" {

ZAN_API zanHandle DbgTimerStart(void) {
  const zanHandle handle = zanHeapAlloc(0, sizeof(Timer), 0);
  zan::HeapLock<Timer> timer(0, handle);
  if (!timer) {
    if (handle != 0) zanHeapFree(0, handle);
    return 0;
  }
  *timer = Timer{0, 1, tickNow()};
  timer.markModified();
  return handle;
}

ZAN_API void DbgTimerPause(zanHandle handle) {
  zan::HeapLock<Timer> timer(0, handle);
  if (!timer || timer->running == 0) return;
  timer->running = 0;
  timer->elapsed = since(timer->start);
  timer.markModified();
}

ZAN_API void DbgTimerResume(zanHandle handle) {
  zan::HeapLock<Timer> timer(0, handle);
  if (!timer || timer->running != 0) return;
  // The elapsed time counts afresh from the resume.
  timer->running = 1;
  timer->start = tickNow();
  timer.markModified();
}

ZAN_API int32_t DbgTimerWriteLog(zanHandle handle, const char* fileName, const char* text) {
  zan::HeapLock<Timer> timer(0, handle);
  if (!timer || fileName == nullptr) return 0;
  if (timer->running != 0) {
    timer->elapsed = since(timer->start);
    timer.markModified();
  }
  const int fd = ::open(fileName, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return 0;
  char tail[32];
  const int length = std::snprintf(tail, sizeof tail, ":\t%d(ms)\r\n", timer->elapsed);
  std::string line = text != nullptr ? text : "";
  line.append(tail, size_t(length));
  const bool ok = writeAll(fd, line.data(), line.size());
  ::close(fd);
  return ok ? 1 : 0;
}

ZAN_API void DbgTimerClear(zanHandle handle) {
  if (handle != 0) zanHeapFree(0, handle);
}

}  // extern "C"
