#include "order_buffers.h"

#include <algorithm>
#include <cstring>

namespace tessaly::stitch::client {

namespace {

// A zeroed buffer of the engine's name length holding `name`, cut to fit with its end kept 0.
std::vector<char> nameBuffer(const std::string& name = std::string()) {
  std::vector<char> buffer(QX_NAME_BUFFER, '\0');
  std::memcpy(buffer.data(), name.data(), std::min(name.size(), size_t(QX_NAME_BUFFER - 1)));
  return buffer;
}

}  // namespace

void OrderBuffers::make(const std::vector<std::string>& paths, const std::vector<POINT>& sizes) {
  clear();
  const size_t count = paths.size();
  for (const std::string& path : paths) nameBuffers_.push_back(nameBuffer(path));
  for (std::vector<char>& buffer : nameBuffers_) names_.push_back(buffer.data());
  sizes_ = sizes;
  candidateBuffers_.assign(kCandidateRecords, Candidate{});
  for (Candidate& c : candidateBuffers_) {
    c.nameBuffers.assign(count, nameBuffer());
    for (std::vector<char>& buffer : c.nameBuffers) c.names.push_back(buffer.data());
    c.turns.assign(count, 0);
    candidates_.push_back({0, 0, c.names.data(), c.turns.data()});
  }
}

void OrderBuffers::clear() {
  candidates_.clear();
  candidateBuffers_.clear();
  names_.clear();
  nameBuffers_.clear();
  sizes_.clear();
}

}  // namespace tessaly::stitch::client
