// How many threads a stitch may keep busy: --threads, else TESSALY_THREADS, else every core.
// The engine reads the same setting for its own workers.
#pragma once

namespace tessaly::cli::stitch {

// `threadsOption` is the --threads value, 0 when not given. TESSALY_THREADS counts when it holds a
// whole number from 1 to kMaxThreads; otherwise the machine's core count (at least 1).
int stitchWorkers(int threadsOption);

}  // namespace tessaly::cli::stitch
