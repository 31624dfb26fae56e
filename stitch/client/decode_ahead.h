// Decoding ahead of the engine: background threads decode the pieces in the order the engine will
// ask for them, so that the engine's first load of a piece mostly finds it ready while the engine
// builds the levels of the piece before. Decoding a piece takes longer than the engine's work on
// it, so with two threads two pieces are decoded side by side.
//
// The threads hold at most as many pieces (being decoded or decoded) as there are threads: one
// starts on the next piece only once the engine has taken one, so memory holds at most that many
// pieces beyond the engine's. Each piece is decoded by exactly one thread: a piece the engine asks
// for before a thread has started on it is left to the caller, and one that is being decoded is
// waited for.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "piece_decode.h"

namespace tessaly::stitch::client {

// The order in which the engine loads the pieces: by last-write time, earliest first, with its
// exchange sort (equal times keep their order). A piece listed twice is loaded under its first
// index only, so only that index appears; a file whose time cannot be read keeps its place.
std::vector<int> engineLoadOrder(const std::vector<PieceSource>& pieces);

class DecodeAhead {
 public:
  using Decode = std::function<DecodedPiece(int index)>;

  // Starts `threads` threads (at least one), which run decode(i) for each i of `order` (indexes
  // below `count`). What decode throws is handed to the caller as the piece's `error`.
  DecodeAhead(std::vector<int> order, size_t count, Decode decode, int threads = 1);
  // Stops the threads.
  ~DecodeAhead();
  DecodeAhead(const DecodeAhead&) = delete;
  DecodeAhead& operator=(const DecodeAhead&) = delete;

  // Piece `index` as a thread decoded it, waiting while it is being decoded; the piece is then
  // the caller's. Nothing when no thread has started on it (none then ever will) or it was taken
  // before: the caller decodes it itself.
  std::optional<DecodedPiece> take(int index);

  // A piece decoded but never taken, with its index.
  struct Untaken {
    int index = -1;
    DecodedPiece piece;
  };
  // Lets the threads finish the pieces they are on and joins them. Hands back the pieces nobody
  // took, in index order. The caller decodes every piece from then on.
  std::vector<Untaken> stop();

 private:
  enum class State { Waiting, Decoding, Ready, Handed };

  void run();
  // Claims the next piece to decode once fewer than `limit_` are held; -1 to stop.
  int claimNext();

  const std::vector<int> order_;
  const Decode decode_;
  const int limit_;
  std::mutex mutex_;
  std::condition_variable changed_;                 // a piece's state changed, or stop was asked
  std::vector<State> states_;                       // guarded by mutex_
  std::vector<std::optional<DecodedPiece>> ready_;  // guarded by mutex_; per piece in State::Ready
  size_t position_ = 0;                             // guarded by mutex_; next place in order_
  int held_ = 0;                                    // guarded by mutex_; pieces Decoding or Ready
  bool stopping_ = false;                           // guarded by mutex_
  std::vector<std::thread> threads_;                // last: they start once everything above exists
};

}  // namespace tessaly::stitch::client
