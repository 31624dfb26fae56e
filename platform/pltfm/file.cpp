// Files: POSIX descriptors behind 32-bit handles. The table's lock is held only to look a
// handle up, never during a transfer, so files in different threads do not wait for each other.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <mutex>
#include <optional>
#include <utility>

#include "handle_table.h"
#include "no_throw.h"
#include "zanFile.h"

namespace {

using tessaly::pltfm::noThrow;

struct OpenFile {
  int fd = -1;
  bool failed = false;  // a transfer failed since the last wait
};

struct FileTable {
  std::mutex mutex;
  tessaly::pltfm::HandleTable<OpenFile> files;
};

// Lives as long as the process, like the default heap: files may be closed late at exit.
FileTable& table() {
  static FileTable* t = new FileTable;
  return *t;
}

int descriptorOf(zanHandle file) {
  FileTable& t = table();
  std::lock_guard guard(t.mutex);
  const OpenFile* f = t.files.find(file);
  return f == nullptr ? -1 : f->fd;
}

void markFailed(zanHandle file) {
  FileTable& t = table();
  std::lock_guard guard(t.mutex);
  if (OpenFile* f = t.files.find(file)) f->failed = true;
}

bool validMode(uint32_t mode) {
  constexpr uint32_t kAll = ZAN_FILE_READ | ZAN_FILE_WRITE | ZAN_FILE_CREATE | ZAN_FILE_TRUNCATE |
                            ZAN_FILE_APPEND | ZAN_FILE_NEW;
  constexpr uint32_t kNeedWrite = ZAN_FILE_CREATE | ZAN_FILE_TRUNCATE | ZAN_FILE_APPEND;
  if ((mode & ~kAll) != 0 || (mode & (ZAN_FILE_READ | ZAN_FILE_WRITE)) == 0) return false;
  if ((mode & kNeedWrite) != 0 && (mode & ZAN_FILE_WRITE) == 0) return false;
  return (mode & ZAN_FILE_NEW) == 0 || (mode & ZAN_FILE_CREATE) != 0;
}

int openFlags(uint32_t mode) {
  int flags = O_CLOEXEC;
  const bool read = (mode & ZAN_FILE_READ) != 0, write = (mode & ZAN_FILE_WRITE) != 0;
  flags |= read && write ? O_RDWR : (write ? O_WRONLY : O_RDONLY);
  if (mode & ZAN_FILE_CREATE) flags |= O_CREAT;
  if (mode & ZAN_FILE_TRUNCATE) flags |= O_TRUNC;
  if (mode & ZAN_FILE_APPEND) flags |= O_APPEND;
  if (mode & ZAN_FILE_NEW) flags |= O_EXCL;
  return flags;
}

// Moves count bytes with op (read or write), retrying after interruptions and partial
// transfers. Returns the bytes moved; stops early at the end of a file or on an error, which
// it reports through failed.
template <typename Op>
int32_t transfer(int fd, uint32_t count, bool& failed, Op&& op) {
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n = op(fd, done, count - done);
    if (n > 0) {
      done += static_cast<uint32_t>(n);
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      failed = true;
      break;
    }
  }
  return static_cast<int32_t>(done);
}

}  // namespace

extern "C" {

ZAN_API zanHandle zanFileOpen(const char* path, uint32_t mode) {
  if (path == nullptr || !validMode(mode)) return 0;
  int fd;
  do {
    fd = ::open(path, openFlags(mode), 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return 0;
  const zanHandle handle = noThrow(zanHandle{0}, [&] {
    FileTable& t = table();
    std::lock_guard guard(t.mutex);
    return t.files.insert(OpenFile{fd, false});
  });
  if (handle == 0) ::close(fd);
  return handle;
}

ZAN_API int32_t zanFileRead(zanHandle file, void* buffer, uint32_t count) {
  const int fd = descriptorOf(file);
  if (fd < 0 || buffer == nullptr || count > INT32_MAX) return -1;
  bool failed = false;
  const int32_t done = transfer(fd, count, failed, [&](int d, uint32_t at, uint32_t left) {
    return ::read(d, static_cast<char*>(buffer) + at, left);
  });
  if (failed) markFailed(file);
  return done;
}

ZAN_API int32_t zanFileWrite(zanHandle file, const void* buffer, uint32_t count) {
  const int fd = descriptorOf(file);
  if (fd < 0 || buffer == nullptr || count > INT32_MAX) return -1;
  bool failed = false;
  int32_t done = transfer(fd, count, failed, [&](int d, uint32_t at, uint32_t left) {
    return ::write(d, static_cast<const char*>(buffer) + at, left);
  });
  // A write that moves nothing without an error (no room left) is a failure too.
  if (failed || done < static_cast<int32_t>(count)) markFailed(file);
  return done;
}

ZAN_API int64_t zanFileSeek(zanHandle file, int64_t offset, int32_t origin) {
  static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  const int fd = descriptorOf(file);
  if (fd < 0 || origin < 0 || origin > 2) return -1;
  const off_t position = ::lseek(fd, static_cast<off_t>(offset), kWhence[origin]);
  return position < 0 ? -1 : static_cast<int64_t>(position);
}

ZAN_API int64_t zanFileSize(zanHandle file) {
  const int fd = descriptorOf(file);
  struct stat info;
  if (fd < 0 || ::fstat(fd, &info) != 0) return -1;
  return static_cast<int64_t>(info.st_size);
}

ZAN_API int32_t zanFileWait(zanHandle file) {
  FileTable& t = table();
  std::lock_guard guard(t.mutex);
  OpenFile* f = t.files.find(file);
  if (f == nullptr) return 0;
  return std::exchange(f->failed, false) ? 0 : 1;
}

ZAN_API int32_t zanFileClose(zanHandle file) {
  std::optional<OpenFile> closing;
  {
    FileTable& t = table();
    std::lock_guard guard(t.mutex);
    closing = t.files.erase(file);
  }
  if (!closing) return 0;
  // close() is not retried after EINTR: on Linux the descriptor is gone either way.
  const bool closed = ::close(closing->fd) == 0;
  return closed && !closing->failed ? 1 : 0;
}

ZAN_API int32_t zanFileDelete(const char* path) {
  if (path == nullptr) return 0;
  return ::unlink(path) == 0 ? 1 : 0;
}

}  // extern "C"
