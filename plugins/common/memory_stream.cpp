#include "memory_stream.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace tessaly::plugin {

MemoryStream::MemoryStream(std::vector<uint8_t> bytes)
    : raw_{{&read, &write, &seek, &name}, this}, bytes_(std::move(bytes)) {
  static_assert(std::is_standard_layout_v<Raw>, "the stream must sit at the start of Raw");
}

int32_t MemoryStream::read(PlugStream* s, void* buffer, int32_t count) {
  MemoryStream& m = owner(s);
  ++m.calls_;
  if (buffer == nullptr || count <= 0 || m.position_ >= m.bytes_.size()) return 0;
  const std::size_t n = std::min<std::size_t>(std::size_t(count), m.bytes_.size() - m.position_);
  std::memcpy(buffer, m.bytes_.data() + m.position_, n);
  m.position_ += n;
  return static_cast<int32_t>(n);
}

int32_t MemoryStream::write(PlugStream* s, const void* buffer, int32_t count) {
  MemoryStream& m = owner(s);
  ++m.calls_;
  if (buffer == nullptr || count <= 0 || m.position_ >= m.limit_) return 0;
  const std::size_t n = std::min<std::size_t>(std::size_t(count), m.limit_ - m.position_);
  if (m.bytes_.size() < m.position_ + n) m.bytes_.resize(m.position_ + n);
  std::memcpy(m.bytes_.data() + m.position_, buffer, n);
  m.position_ += n;
  return static_cast<int32_t>(n);
}

int64_t MemoryStream::seek(PlugStream* s, int64_t offset, int32_t origin) {
  MemoryStream& m = owner(s);
  ++m.calls_;
  int64_t base;
  switch (origin) {
    case PLUG_SEEK_SET:
      base = 0;
      break;
    case PLUG_SEEK_CUR:
      base = static_cast<int64_t>(m.position_);
      break;
    case PLUG_SEEK_END:
      base = static_cast<int64_t>(m.bytes_.size());
      break;
    default:
      return -1;
  }
  // Seeking past the end is allowed, as in a file; reads there find nothing.
  if (offset < -base || offset > INT64_MAX - base) return -1;
  m.position_ = static_cast<std::size_t>(base + offset);
  return base + offset;
}

int32_t MemoryStream::name(PlugStream* s, char16_t*) {
  ++owner(s).calls_;
  return 0;  // a stream in memory has no file name
}

}  // namespace tessaly::plugin
