/*
 * zanFile.h: files named by 32-bit handles, and the zan::File owner.
 *
 * Paths are UTF-8 with '/' separators. Transfers are synchronous and complete: a read or write
 * returns only when all bytes moved, the end of the file was reached, or an error stopped it. An
 * error is remembered until zanFileWait (or zanFileClose) reports it.
 *
 * This header is valid C and C++; the C++ part adds zan::File.
 */
#ifndef ZAN_FILE_H
#define ZAN_FILE_H

#include "zanTypes.h"

ZAN_EXTERN_C_BEGIN

/* Open mode words: combine the bits, or use one of the usual combinations below. At least one of
 * READ and WRITE; CREATE, TRUNCATE, APPEND and NEW need WRITE, NEW needs CREATE. */
#define ZAN_FILE_READ 0x01u     /* reading allowed */
#define ZAN_FILE_WRITE 0x02u    /* writing allowed */
#define ZAN_FILE_CREATE 0x04u   /* create the file when it is missing */
#define ZAN_FILE_TRUNCATE 0x08u /* empty an existing file */
#define ZAN_FILE_APPEND 0x10u   /* every write goes to the end of the file */
#define ZAN_FILE_NEW 0x20u      /* fail when the file already exists */

#define ZAN_FILE_MODE_READ ZAN_FILE_READ
#define ZAN_FILE_MODE_UPDATE (ZAN_FILE_READ | ZAN_FILE_WRITE)
#define ZAN_FILE_MODE_REPLACE (ZAN_FILE_WRITE | ZAN_FILE_CREATE | ZAN_FILE_TRUNCATE)
#define ZAN_FILE_MODE_APPEND (ZAN_FILE_WRITE | ZAN_FILE_CREATE | ZAN_FILE_APPEND)

/* Seek origins. */
#define ZAN_FILE_BEGIN 0
#define ZAN_FILE_CURRENT 1
#define ZAN_FILE_END 2

/* Opens path; returns the file's handle, or 0 when the path is null, the mode word is not valid
 * or the system refuses. New files get the permissions 0666 less the process's umask. */
ZAN_API zanHandle zanFileOpen(const char* path, uint32_t mode);

/* Reads up to count bytes; returns how many were read, fewer than count at the end of the file
 * or after an error (zanFileWait tells them apart). -1 for a handle that is not open, a null
 * buffer or a count above INT32_MAX. */
ZAN_API int32_t zanFileRead(zanHandle file, void* buffer, uint32_t count);

/* Writes count bytes; returns how many were written, fewer only after an error. -1 as for
 * zanFileRead. */
ZAN_API int32_t zanFileWrite(zanHandle file, const void* buffer, uint32_t count);

/* Moves the file position; returns the new position from the start, or -1 (position unchanged)
 * for a bad handle or origin or a position before the start. */
ZAN_API int64_t zanFileSeek(zanHandle file, int64_t offset, int32_t origin);

/* The file's size in bytes, or -1. */
ZAN_API int64_t zanFileSize(zanHandle file);

/* Waits for the file's transfers to finish (they already have: transfers are synchronous) and
 * reports them: 1 when every read and write since the open or the previous wait succeeded,
 * 0 when one failed or the handle is not open. Clears the remembered error. */
ZAN_API int32_t zanFileWait(zanHandle file);

/* Closes the file. Returns 1, or 0 when the handle is not open, closing failed, or a transfer
 * failed since the last zanFileWait (the file is closed all the same). */
ZAN_API int32_t zanFileClose(zanHandle file);

/* Deletes the named file; returns 1, or 0 when it could not be deleted. */
ZAN_API int32_t zanFileDelete(const char* path);

ZAN_EXTERN_C_END

#ifdef __cplusplus
#include <utility>

namespace zan {

// Owns an open file: closes it when the owner goes. Converts to false when the open failed.
class File {
 public:
  File() = default;
  File(const char* path, uint32_t mode) : handle_(zanFileOpen(path, mode)) {}
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept : handle_(std::exchange(other.handle_, 0)) {}
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      close();
      handle_ = std::exchange(other.handle_, 0);
    }
    return *this;
  }
  ~File() { close(); }

  explicit operator bool() const { return handle_ != 0; }
  zanHandle handle() const { return handle_; }
  zanHandle release() { return std::exchange(handle_, 0); }

  int32_t read(void* buffer, uint32_t count) { return zanFileRead(handle_, buffer, count); }
  int32_t write(const void* buffer, uint32_t count) { return zanFileWrite(handle_, buffer, count); }
  // Both transfers succeed only when every byte moved.
  bool readAll(void* buffer, uint32_t count) {
    return zanFileRead(handle_, buffer, count) == static_cast<int32_t>(count);
  }
  bool writeAll(const void* buffer, uint32_t count) {
    return zanFileWrite(handle_, buffer, count) == static_cast<int32_t>(count);
  }
  int64_t seek(int64_t offset, int32_t origin) { return zanFileSeek(handle_, offset, origin); }
  int64_t size() { return zanFileSize(handle_); }
  bool wait() { return zanFileWait(handle_) == 1; }
  // Closes now; true when the file closed cleanly and no transfer failed.
  bool close() {
    if (handle_ == 0) return false;
    return zanFileClose(std::exchange(handle_, 0)) == 1;
  }

 private:
  zanHandle handle_ = 0;
};

}  // namespace zan
#endif /* __cplusplus */

#endif /* ZAN_FILE_H */
