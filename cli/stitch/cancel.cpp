#include "cancel.h"

#include <unistd.h>

#include <csignal>

#include "exit_codes.h"

namespace tessaly::cli::stitch {

namespace {

volatile std::sig_atomic_t requests = 0;

// Only async-signal-safe work here: count, and leave at once on a repeat.
void onSignal(int) {
  if (requests > 0) ::_exit(static_cast<int>(ExitCode::Cancelled));
  requests = 1;
}

}  // namespace

void installCancelHandler() {
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

bool cancelRequested() {
  return requests != 0;
}

}  // namespace tessaly::cli::stitch
