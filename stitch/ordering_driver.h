// The ordering driver with the knobs that benchmarks turn; QXAutoOrder runs it with the defaults.
#pragma once

#include "session.h"

namespace tessaly::stitch {

struct OrderingOptions {
  bool pruning = true;  // see MatchSettings::pruning
};

long orderPieces(Session& session, long* candidateCount, tagStitchOrderInfo* candidates,
                 const OrderingOptions& options);

}  // namespace tessaly::stitch
