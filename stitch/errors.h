// Failure codes inside the engine and the one place they turn into export statuses.
//
// Deep code throws StitchError with the status the export must return (a cancel, a memory
// failure, a file that cannot be read, or a loader's own code). The exported functions are the
// only catchers: no exception ever crosses the C interface.
#pragma once

#include <new>

#include "QuiltexEngine.h"

namespace tessaly::stitch {

struct StitchError {
  long code;
};

[[noreturn]] inline void fail(long code) {
  throw StitchError{code};
}

// Runs body and turns whatever it throws into a status: StitchError into its code,
// std::bad_alloc into QX_ERR_SETUP, anything else into QX_ERR_SETUP as well (the engine has no
// better word for "an internal failure").
template <typename Body>
long guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const StitchError& e) {
    return e.code;
  } catch (const std::bad_alloc&) {
    return QX_ERR_SETUP;
  } catch (...) {
    return QX_ERR_SETUP;
  }
}

}  // namespace tessaly::stitch
