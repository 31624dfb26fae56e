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

DecodeAhead::DecodeAhead(std::vector<int> order, size_t count, Decode decode, int threads)
    : order_(std::move(order)),
      decode_(std::move(decode)),
      limit_(std::max(1, threads)),
      states_(count, State::Waiting),
      ready_(count) {
  for (int t = 0; t < limit_; ++t) threads_.emplace_back([this] { run(); });
}

DecodeAhead::~DecodeAhead() {
  stop();
}

std::vector<DecodeAhead::Untaken> DecodeAhead::stop() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) {
    if (thread.joinable()) thread.join();
  }
  const std::lock_guard lock(mutex_);
  std::vector<Untaken> untaken;
  for (size_t i = 0; i < states_.size(); ++i) {
    if (states_[i] != State::Ready) continue;
    untaken.push_back({int(i), std::move(*ready_[i])});
    ready_[i].reset();
    states_[i] = State::Handed;
  }
  held_ = 0;
  return untaken;
}

int DecodeAhead::claimNext() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return stopping_ || held_ < limit_; });
  for (; !stopping_ && position_ < order_.size(); ++position_) {
    const int index = order_[position_];
    if (index < 0 || size_t(index) >= states_.size()) continue;
    if (states_[size_t(index)] != State::Waiting) continue;  // the caller took it over
    states_[size_t(index)] = State::Decoding;
    ++held_;
    ++position_;
    return index;
  }
  return -1;
}

void DecodeAhead::run() {
  for (int index = claimNext(); index >= 0; index = claimNext()) {
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
      ready_[size_t(index)] = std::move(piece);
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
  std::optional<DecodedPiece> piece = std::move(ready_[size_t(index)]);
  ready_[size_t(index)].reset();
  --held_;
  lock.unlock();
  changed_.notify_all();
  return piece;
}

}  // namespace tessaly::stitch::client
