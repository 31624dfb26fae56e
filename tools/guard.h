// The one place where failures stop: every exported operation runs its work through guardLayer,
// so no exception leaves the library and the caller's error cell always says what happened.
#pragma once

#include <cstdint>
#include <new>

#include "tools.h"
#include "zanError.h"

namespace tessaly::tools {

// Raises one of the MAT_ERR_... reasons; never returns.
[[noreturn]] inline void fail(int32_t reason) {
  _zanThrow(reason);
}

// Runs the body and gives the reason it stopped: MAT_OK, a MAT_ERR_... code it raised, or
// MAT_ERR_FAILED for running out of memory and anything unexpected.
template <typename Body>
int32_t reasonOf(Body&& body) noexcept {
  try {
    body();
    return MAT_OK;
  } catch (const zan::Error& e) {
    return e.code();
  } catch (...) {
    return MAT_ERR_FAILED;
  }
}

// The body's new layer with *error 0, or 0 with the reason stored in *error.
template <typename Body>
zanHandle guardLayer(int32_t* error, Body&& body) noexcept {
  zanHandle result = 0;
  const int32_t reason = reasonOf([&] { result = body(); });
  if (error != nullptr) *error = reason;
  return reason == MAT_OK ? result : 0;
}

// For exports that change something in place: 1 with *error 0 when the body ran through, else 0
// with the reason in *error.
template <typename Body>
int32_t guardStatus(int32_t* error, Body&& body) noexcept {
  const int32_t reason = reasonOf(body);
  if (error != nullptr) *error = reason;
  return reason == MAT_OK ? 1 : 0;
}

// For exports that answer 1 or 0.
template <typename Body>
int32_t guardFlag(Body&& body) noexcept {
  try {
    return body() ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

}  // namespace tessaly::tools
