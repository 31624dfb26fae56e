#include "file_stream.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "staged_paths.h"
#include "zanFileIO.h"
#include "zanHeap.h"
#include "zanStr.h"

namespace tessaly::fileio {
namespace {

constexpr size_t kBufferBytes = 256 * 1024;

// A name for the temporary file beside path: hidden, and unique enough that O_EXCL rarely
// has to try again.
std::string temporaryName(const std::string& path, int attempt) {
  static std::atomic<uint32_t> counter{0};
  const std::filesystem::path p(path);
  const auto stamp = uint32_t(std::chrono::steady_clock::now().time_since_epoch().count());
  char suffix[48];
  std::snprintf(suffix, sizeof suffix, ".%d.%u.%u.%d.tmp", int(getpid()), unsigned(++counter),
                unsigned(stamp), attempt);
  return (p.parent_path() / ("." + p.filename().string() + suffix)).string();
}

}  // namespace

FileStream::FileStream(std::string path, bool writing)
    : raw_{{&read, &write, &seek, &name}, this}, path_(std::move(path)), writing_(writing) {}

FileStream::~FileStream() {
  finish();
}

std::unique_ptr<FileStream> FileStream::open(const std::string& path, int32_t mode) {
  if (path.empty() || (mode != ZANIO_STREAM_READ && mode != ZANIO_STREAM_WRITE)) return nullptr;
  const bool writing = mode == ZANIO_STREAM_WRITE;
  std::unique_ptr<FileStream> f(new FileStream(path, writing));
  if (!writing) {
    f->file_ = zan::File(path.c_str(), ZAN_FILE_MODE_READ);
  } else {
    // A folder of that name could never be replaced by the file.
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return nullptr;
    for (int attempt = 0; attempt < 16 && !f->file_; ++attempt) {
      f->temp_ = temporaryName(path, attempt);
      f->file_ = zan::File(f->temp_.c_str(), ZAN_FILE_MODE_UPDATE | ZAN_FILE_CREATE | ZAN_FILE_NEW);
    }
  }
  if (!f->file_) {
    f->finished_ = true;
    return nullptr;
  }
  if (writing) f->stagedSlot_ = rememberStagedPath(f->temp_.c_str());
  f->buffer_.resize(kBufferBytes);
  return f;
}

FileStream* FileStream::from(PlugStream* s) {
  return s != nullptr && s->read == &FileStream::read ? &owner(s) : nullptr;
}

bool FileStream::placeFile(int64_t position) {
  if (filePosition_ == position) return true;
  if (file_.seek(position, ZAN_FILE_BEGIN) != position) return false;
  filePosition_ = position;
  return true;
}

bool FileStream::flush() {
  if (writing_ && bufferBytes_ > 0) {
    if (!placeFile(bufferStart_) || !file_.writeAll(buffer_.data(), uint32_t(bufferBytes_))) {
      failed_ = true;
      filePosition_ = -1;  // unknown after a failed write
    } else {
      filePosition_ += int64_t(bufferBytes_);
    }
    bufferBytes_ = 0;
  }
  return !failed_;
}

int64_t FileStream::size() {
  const int64_t onDisk = file_.size();
  if (onDisk < 0) return -1;
  return writing_ ? std::max(onDisk, bufferStart_ + int64_t(bufferBytes_)) : onDisk;
}

int32_t FileStream::readDirect(uint8_t* out, int32_t count) {
  if (!placeFile(position_)) return 0;
  const int32_t got = std::max(file_.read(out, uint32_t(count)), 0);
  filePosition_ += got;
  position_ += got;
  return got;
}

int32_t FileStream::readBuffered(uint8_t* out, int32_t count) {
  int32_t done = 0;
  while (done < count) {
    const int64_t offset = position_ - bufferStart_;
    if (offset >= 0 && offset < int64_t(bufferBytes_)) {
      const auto n = int32_t(std::min<int64_t>(count - done, int64_t(bufferBytes_) - offset));
      std::memcpy(out + done, buffer_.data() + offset, size_t(n));
      position_ += n;
      done += n;
      continue;
    }
    if (size_t(count - done) >= buffer_.size()) return done + readDirect(out + done, count - done);
    bufferStart_ = position_;
    bufferBytes_ = 0;
    if (!placeFile(position_)) break;
    const int32_t got = std::max(file_.read(buffer_.data(), uint32_t(buffer_.size())), 0);
    filePosition_ += got;
    bufferBytes_ = size_t(got);
    if (got == 0) break;
  }
  return done;
}

int32_t FileStream::writeBuffered(const uint8_t* in, int32_t count) {
  const bool continues = position_ == bufferStart_ + int64_t(bufferBytes_);
  if (!continues || bufferBytes_ + size_t(count) > buffer_.size()) {
    if (!flush()) return 0;
    bufferStart_ = position_;
  }
  if (size_t(count) >= buffer_.size()) {  // too big to gather: straight to the file
    if (!placeFile(position_) || !file_.writeAll(in, uint32_t(count))) {
      failed_ = true;
      filePosition_ = -1;
      return 0;
    }
    filePosition_ += count;
    position_ += count;
    bufferStart_ = position_;
    return count;
  }
  std::memcpy(buffer_.data() + bufferBytes_, in, size_t(count));
  bufferBytes_ += size_t(count);
  position_ += count;
  return count;
}

int32_t FileStream::read(PlugStream* s, void* buffer, int32_t count) {
  FileStream& f = owner(s);
  if (buffer == nullptr || count <= 0 || f.finished_) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  if (!f.writing_) return f.readBuffered(out, count);
  return f.flush() ? f.readDirect(out, count) : 0;  // a writer reading back what it wrote
}

int32_t FileStream::write(PlugStream* s, const void* buffer, int32_t count) {
  FileStream& f = owner(s);
  if (buffer == nullptr || count <= 0 || !f.writing_ || f.failed_ || f.finished_) return 0;
  return f.writeBuffered(static_cast<const uint8_t*>(buffer), count);
}

int64_t FileStream::seek(PlugStream* s, int64_t offset, int32_t origin) {
  FileStream& f = owner(s);
  if (f.finished_) return -1;
  int64_t base;
  switch (origin) {
    case PLUG_SEEK_SET:
      base = 0;
      break;
    case PLUG_SEEK_CUR:
      base = f.position_;
      break;
    case PLUG_SEEK_END:
      base = f.size();
      break;
    default:
      return -1;
  }
  if (base < 0 || offset < -base || offset > INT64_MAX - base) return -1;
  f.position_ = base + offset;  // the file itself moves at the next transfer
  return f.position_;
}

int32_t FileStream::name(PlugStream* s, char16_t* buffer) {
  FileStream& f = owner(s);
  if (buffer == nullptr) return 0;
  const zanHandle text = zanStrFromCStr(f.path_.c_str());
  const int32_t units = zanStrLen(text);
  const auto* chars = static_cast<const char16_t*>(zanHeapLock(0, text, 0));
  const bool fits = chars != nullptr && units < PLUG_TEXT_UNITS;
  if (fits) std::memcpy(buffer, chars, size_t(units + 1) * sizeof(char16_t));
  zanHeapUnlock(0, text, 0);
  zanHeapFree(0, text);
  return fits ? 1 : 0;
}

int32_t FileStream::finish() {
  if (finished_) return ZANIO_OK;
  finished_ = true;
  if (!writing_) {
    file_.close();
    return ZANIO_OK;
  }
  const bool written = flush() && file_.close();
  // The slot is given up only once the temporary name is gone, renamed or deleted.
  if (complete_ && written && std::rename(temp_.c_str(), path_.c_str()) == 0) {
    forgetStagedPath(stagedSlot_);
    return ZANIO_OK;
  }
  zanFileDelete(temp_.c_str());
  forgetStagedPath(stagedSlot_);
  // A write that fails here (a full disk) reads like one that failed earlier in the image.
  if (complete_ && !written) return PLUG_ERR_SHORT_WRITE;
  return complete_ ? ZANIO_ERR_STREAM : ZANIO_ERR_INCOMPLETE;
}

}  // namespace tessaly::fileio
