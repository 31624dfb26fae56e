// Ctrl-C: the first one asks the run to stop at the engine's next progress report (which then
// cleans up and returns "cancelled"); a second one ends the program at once.
#pragma once

namespace tessaly::cli::stitch {

// Catches SIGINT and SIGTERM.
void installCancelHandler();
bool cancelRequested();

}  // namespace tessaly::cli::stitch
