#include "cancel.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>

#include "exit_codes.h"
#include "zanFileIO.h"

namespace tessaly::cli::stitch {

namespace {

volatile std::sig_atomic_t firstSignal = 0;

// The program's own temporary files (the loader keeps those of its streams): preallocated, so
// that the handler neither allocates nor follows pointers that may be changing.
constexpr int kStagedSlots = 4;
constexpr size_t kStagedPathBytes = 4096;
// A slot is filled before it is marked held, so the handler never reads a half-copied path.
enum SlotState : int { kFree = 0, kFilling = 1, kHeld = 2 };
char stagedPaths[kStagedSlots][kStagedPathBytes];
std::atomic<int> stagedStates[kStagedSlots];

// Only async-signal-safe work here: note the signal; on a repeat remove the partly written
// files and leave at once.
void onSignal(int signal) {
  if (firstSignal == 0) {
    firstSignal = signal;
    return;
  }
  for (int slot = 0; slot < kStagedSlots; ++slot) {
    if (stagedStates[slot].load() == kHeld) ::unlink(stagedPaths[slot]);
  }
  zanIORemoveStagedFiles();
  ::_exit(128 + firstSignal);
}

}  // namespace

void installCancelHandler() {
  // Resolves the loader's function now, so the handler never waits for the dynamic linker.
  zanIORemoveStagedFiles();
  struct sigaction action {};
  action.sa_handler = onSignal;
  // Each signal waits while the handler runs for the other, so the first is always noted first.
  sigemptyset(&action.sa_mask);
  sigaddset(&action.sa_mask, SIGINT);
  sigaddset(&action.sa_mask, SIGTERM);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

bool cancelRequested() {
  return firstSignal != 0;
}

int cancelExitCode() {
  return firstSignal == SIGTERM ? static_cast<int>(ExitCode::Terminated)
                                : static_cast<int>(ExitCode::Cancelled);
}

StagedForCancel::StagedForCancel(const std::string& path) : slot_(-1) {
  if (path.size() >= kStagedPathBytes) return;
  for (int slot = 0; slot < kStagedSlots; ++slot) {
    int expected = kFree;
    if (!stagedStates[slot].compare_exchange_strong(expected, kFilling)) continue;
    std::memcpy(stagedPaths[slot], path.c_str(), path.size() + 1);
    stagedStates[slot].store(kHeld);
    slot_ = slot;
    return;
  }
}

StagedForCancel::~StagedForCancel() {
  if (slot_ >= 0) stagedStates[slot_].store(kFree);
}

}  // namespace tessaly::cli::stitch
