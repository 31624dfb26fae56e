// The one place where failures stop: every exported function runs its work through one of these,
// so no exception leaves the library. A thrown engine code is reported as it is, running out of
// memory as ZAN_ERR_CREATE, anything else as ZAN_ERR_FAILED. The shapes follow the ways an export
// answers: a status or count, a made object with the code in an error argument, and an answer
// that has no room for a code (null or zero when anything failed).
#pragma once

#include <cstdint>
#include <new>
#include <utility>

#include "zanEngDefs.h"
#include "zanError.h"

namespace tessaly::engine {

// For functions that only do something: 0, or the failure's code.
template <typename Body>
int32_t guardCode(Body&& body) noexcept {
  try {
    body();
    return ZAN_OK;
  } catch (const zan::Error& e) {
    return e.code();
  } catch (const std::bad_alloc&) {
    return ZAN_ERR_CREATE;
  } catch (...) {
    return ZAN_ERR_FAILED;
  }
}

// For functions that answer a status or a count: the body's result, or the failure's code.
template <typename Body>
int32_t guardStatus(Body&& body) noexcept {
  int32_t result = 0;
  const int32_t code = guardCode([&] { result = body(); });
  return code == ZAN_OK ? result : code;
}

// For creating functions: the body's result, or a null result with the code stored in *error.
// *error becomes 0 on success.
template <typename R, typename Body>
R guardCreate(int32_t* error, Body&& body) noexcept {
  R result{};
  const int32_t code = guardCode([&] { result = body(); });
  if (error != nullptr) *error = code;
  return code == ZAN_OK ? result : R{};
}

// For functions that report no failure (an object or null, a yes or no): the body's result, or a
// null or zero result.
template <typename R, typename Body>
R guardResult(Body&& body) noexcept {
  return guardCreate<R>(nullptr, std::forward<Body>(body));
}

}  // namespace tessaly::engine
