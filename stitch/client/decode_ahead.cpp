#include "decode_ahead.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace tessaly::stitch::client {

namespace {

struct WriteTime {
  int64_t seconds = 0;
  int64_t nanoseconds = 0;
  bool operator>(const WriteTime& o) const {
    return seconds != o.seconds ? seconds > o.seconds : nanoseconds > o.nanoseconds;
  }
};

WriteTime writeTimeOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  return {int64_t{info.st_mtim.tv_sec}, int64_t{info.st_mtim.tv_nsec}};
}

// The index the loader serves for a name: the first piece listed under it.
int firstIndexOf(const std::vector<PieceSource>& pieces, size_t index) {
  for (size_t i = 0; i < index; ++i) {
    if (pieces[i].path == pieces[index].path) return int(i);
  }
  return int(index);
}

}  // namespace

std::vector<int> engineLoadOrder(const std::vector<PieceSource>& pieces) {
  std::vector<int> order;
  std::vector<WriteTime> times;
  for (size_t i = 0; i < pieces.size(); ++i) {
    order.push_back(firstIndexOf(pieces, i));
    times.push_back(writeTimeOf(pieces[i].path));
  }
  for (size_t i = 0; i + 1 < order.size(); ++i) {
    for (size_t j = i + 1; j < order.size(); ++j) {
      if (times[i] > times[j]) {
        std::swap(order[i], order[j]);
        std::swap(times[i], times[j]);
      }
    }
  }
  std::vector<int> unique;
  for (const int index : order) {
    if (std::find(unique.begin(), unique.end(), index) == unique.end()) unique.push_back(index);
  }
  return unique;
}

DecodeAhead::DecodeAhead(std::vector<int> order, size_t count, Decode decode)
    : order_(std::move(order)),
      decode_(std::move(decode)),
      states_(count, State::Waiting),
      thread_([this] { run(); }) {}

DecodeAhead::~DecodeAhead() {
  stop();
}

std::optional<DecodeAhead::Untaken> DecodeAhead::stop() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
  const std::lock_guard lock(mutex_);
  if (!ready_) return std::nullopt;
  const auto ready = std::find(states_.begin(), states_.end(), State::Ready);
  Untaken untaken{int(ready - states_.begin()), std::move(*ready_)};
  ready_.reset();
  if (ready != states_.end()) *ready = State::Handed;
  return untaken;
}

int DecodeAhead::claimNext(size_t& position) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return stopping_ || !ready_; });
  for (; !stopping_ && position < order_.size(); ++position) {
    const int index = order_[position];
    if (index < 0 || size_t(index) >= states_.size()) continue;
    if (states_[size_t(index)] != State::Waiting) continue;  // the caller took it over
    states_[size_t(index)] = State::Decoding;
    ++position;
    return index;
  }
  return -1;
}

void DecodeAhead::run() {
  size_t position = 0;
  for (int index = claimNext(position); index >= 0; index = claimNext(position)) {
    DecodedPiece piece;
    try {
      piece = decode_(index);
    } catch (...) {
      // Thrown on the caller's thread instead, when it takes the piece.
      piece.error = std::current_exception();
    }
    {
      const std::lock_guard lock(mutex_);
      states_[size_t(index)] = State::Ready;
      ready_ = std::move(piece);
    }
    changed_.notify_all();
  }
}

std::optional<DecodedPiece> DecodeAhead::take(int index) {
  std::unique_lock lock(mutex_);
  if (index < 0 || size_t(index) >= states_.size()) return std::nullopt;
  State& state = states_[size_t(index)];
  if (state == State::Waiting) state = State::Handed;  // the caller decodes it
  changed_.wait(lock, [&] { return state != State::Decoding; });
  if (state != State::Ready) return std::nullopt;
  state = State::Handed;
  std::optional<DecodedPiece> piece = std::move(ready_);
  ready_.reset();
  lock.unlock();
  changed_.notify_all();
  return piece;
}

}  // namespace tessaly::stitch::client
