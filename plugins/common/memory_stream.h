// A PlugStream over bytes in memory: what tests and fuzzers hand to a plug-in instead of a file.
// It can also play a full disk (writes past a limit are cut short) and counts the calls made on
// it, so a test can check that a plug-in left the stream alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "plugin_interface.h"

namespace tessaly::plugin {

class MemoryStream {
 public:
  MemoryStream() : MemoryStream(std::vector<uint8_t>{}) {}
  explicit MemoryStream(std::vector<uint8_t> bytes);
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;

  PlugStream* stream() { return &raw_.ops; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::size_t position() const { return position_; }
  // Every write that would take the stream past totalBytes stops there and reports the short
  // count.
  void limitSize(std::size_t totalBytes) { limit_ = totalBytes; }
  // The number of read, write, seek and name calls so far.
  int calls() const { return calls_; }

 private:
  // PlugStream first, so the stream pointer a plug-in holds leads back to its owner.
  struct Raw {
    PlugStream ops;
    MemoryStream* owner;
  };
  static MemoryStream& owner(PlugStream* s) { return *reinterpret_cast<Raw*>(s)->owner; }
  static int32_t read(PlugStream* s, void* buffer, int32_t count);
  static int32_t write(PlugStream* s, const void* buffer, int32_t count);
  static int64_t seek(PlugStream* s, int64_t offset, int32_t origin);
  static int32_t name(PlugStream* s, char16_t* buffer);

  Raw raw_;
  std::vector<uint8_t> bytes_;
  std::size_t position_ = 0;
  std::size_t limit_ = SIZE_MAX;
  int calls_ = 0;
};

}  // namespace tessaly::plugin
