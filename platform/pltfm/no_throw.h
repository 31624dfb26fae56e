// The exported functions never let an exception out: a memory failure becomes the call's
// failure result.
#pragma once

#include <new>

namespace tessaly::pltfm {

template <typename R, typename Body>
R noThrow(R fallback, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return fallback;
  }
}

}  // namespace tessaly::pltfm
