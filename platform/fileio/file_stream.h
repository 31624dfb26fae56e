// A PlugStream over a file with a buffer in front of it. A write stream writes into a temporary
// file beside the named one and puts it in place only when told that its image is complete.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "plugin_interface.h"
#include "zanFile.h"

namespace tessaly::fileio {

class FileStream {
 public:
  // A stream over path in mode ZANIO_STREAM_READ or ZANIO_STREAM_WRITE; null when the file
  // cannot be opened (or, for writing, its temporary file cannot be created).
  static std::unique_ptr<FileStream> open(const std::string& path, int32_t mode);
  // The FileStream behind s, or null when s is somebody else's stream.
  static FileStream* from(PlugStream* s);

  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;
  ~FileStream();

  PlugStream* stream() { return &raw_.ops; }
  // Writes out what the buffer holds; false when a write failed (now or earlier).
  bool flush();
  // The image written to this stream is whole: finish() may put the file in place.
  void markComplete() { complete_ = true; }
  // Closes the file. A write stream renames its temporary file over the named one when it is
  // complete and every write succeeded, and deletes it otherwise. Returns 0 or a ZANIO_ERR_...
  int32_t finish();

 private:
  struct Raw {
    PlugStream ops;  // first, so the stream pointer leads back to the owner
    FileStream* owner;
  };
  FileStream(std::string path, bool writing);
  static FileStream& owner(PlugStream* s) { return *reinterpret_cast<Raw*>(s)->owner; }
  static int32_t read(PlugStream* s, void* buffer, int32_t count);
  static int32_t write(PlugStream* s, const void* buffer, int32_t count);
  static int64_t seek(PlugStream* s, int64_t offset, int32_t origin);
  static int32_t name(PlugStream* s, char16_t* buffer);

  int32_t readBuffered(uint8_t* out, int32_t count);
  int32_t readDirect(uint8_t* out, int32_t count);
  int32_t writeBuffered(const uint8_t* in, int32_t count);
  bool placeFile(int64_t position);
  int64_t size();

  Raw raw_;
  std::string path_;     // the named file
  std::string temp_;     // the file written (writing only)
  int stagedSlot_ = -1;  // where temp_ is noted for a signal handler, -1 when it is not
  bool writing_;
  zan::File file_;
  int64_t position_ = 0;      // where the caller stands
  int64_t filePosition_ = 0;  // where the file's own offset stands
  std::vector<uint8_t> buffer_;
  int64_t bufferStart_ = 0;  // file offset of buffer_[0]
  size_t bufferBytes_ = 0;   // bytes read ahead, or bytes waiting to be written
  bool failed_ = false;
  bool complete_ = false;
  bool finished_ = false;
};

}  // namespace tessaly::fileio
