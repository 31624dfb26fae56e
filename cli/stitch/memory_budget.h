// Whether a job fits the machine before any piece is decoded: the pieces' headers give their
// sizes, and the run's peak is estimated from them and compared with the memory available.
#pragma once

#include <cstdint>
#include <vector>

#include "pieces.h"

namespace tessaly::cli::stitch {

// The bytes the run is expected to hold at its peak: the result (at most every piece side by
// side, made smaller by the output size), three decoded pieces and the engine's working set.
int64_t estimatedPeakBytes(const std::vector<Piece>& pieces, int outputSize);

// MemAvailable of /proc/meminfo in bytes, or less when the process's control groups allow less;
// 0 when neither can be read.
int64_t availableMemoryBytes();

// Throws Failure(Setup) with what the job needs and what is available when the estimate is
// larger than availableBytes; an unknown amount (0) lets every job run.
void checkMemoryFits(const std::vector<Piece>& pieces, int outputSize, int64_t availableBytes);

}  // namespace tessaly::cli::stitch
