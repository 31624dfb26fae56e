// Decoding ahead of the engine: one background thread decodes the pieces in the order the
// engine will ask for them, so that the engine's first load of a piece mostly finds it ready
// while the engine builds the levels of the piece before.
//
// The thread keeps at most one decoded piece for the engine: it starts on the next piece only
// once the engine has taken the last one, so memory holds at most one piece beyond the engine's.
// Each piece is decoded by exactly one thread: a piece the engine asks for before the thread has
// started on it is left to the caller, and one that is being decoded is waited for.
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

  // Starts the thread, which runs decode(i) for each i of `order` (indexes below `count`). What
  // decode throws is handed to the caller as the piece's `error`.
  DecodeAhead(std::vector<int> order, size_t count, Decode decode);
  // Stops the thread.
  ~DecodeAhead();
  DecodeAhead(const DecodeAhead&) = delete;
  DecodeAhead& operator=(const DecodeAhead&) = delete;

  // Piece `index` as the thread decoded it, waiting while it is being decoded; the piece is then
  // the caller's. Nothing when the thread has not started on it (it then never will) or it was
  // taken before: the caller decodes it itself.
  std::optional<DecodedPiece> take(int index);

  // A piece decoded but never taken, with its index.
  struct Untaken {
    int index = -1;
    DecodedPiece piece;
  };
  // Lets the thread finish the piece it is on and joins it. Hands back the piece nobody took, if
  // any. The caller decodes every piece from then on.
  std::optional<Untaken> stop();

 private:
  enum class State { Waiting, Decoding, Ready, Handed };

  void run();
  // Claims the next piece to decode once the last one was taken; -1 to stop.
  int claimNext(size_t& position);

  const std::vector<int> order_;
  const Decode decode_;
  std::mutex mutex_;
  std::condition_variable changed_;    // a piece's state changed, or stop was asked
  std::vector<State> states_;          // guarded by mutex_
  std::optional<DecodedPiece> ready_;  // guarded by mutex_; the one piece in State::Ready
  bool stopping_ = false;              // guarded by mutex_
  std::thread thread_;                 // last: starts once everything above exists
};

}  // namespace tessaly::stitch::client
