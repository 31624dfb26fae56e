// The nine exported functions: argument checks, the stage a call needs, then one driver call.
// guarded() keeps every C++ exception inside the library.
#include <new>

#include "QuiltexEngine.h"
#include "errors.h"
#include "mat_memory.h"
#include "session.h"
#include "stages.h"
#include "verified_session.h"
#include "worker_pool.h"

using tessaly::stitch::Session;
using tessaly::stitch::Stage;

namespace {

bool isFailure(long status) {
  return status != QX_OK &&
         !(status >= QX_WARN_FEATURELESS_PIECES && status <= QX_WARN_SMALL_OVERLAP);
}

// Runs an export's work with its own worker pool (gone, helpers joined, when the call returns) and
// OpenCV's matrices in the engine's large-buffer memory; a failure still ends with the progress
// report 100 the caller expects.
template <typename Body>
long runReporting(Session& s, Body&& body) {
  const tessaly::stitch::MatMemoryScope matMemory;
  tessaly::stitch::PoolScope pool;
  const long status = tessaly::stitch::guarded(body);
  if (isFailure(status)) {
    tessaly::stitch::guarded([&] {
      s.progress.reportFinal(100);
      return QX_OK;
    });
  }
  return status;
}

}  // namespace

extern "C" {

QX_API void* QXCreateStitch(tagStitchStyle style, tagStitchOutputSize outputSize, void* userData,
                            ProgressProc progress, LoadImageProc loadImage,
                            ReleaseImageProc releaseImage) {
  if (progress == nullptr || loadImage == nullptr || releaseImage == nullptr) return nullptr;
  const tessaly::stitch::Callbacks callbacks{userData, progress, loadImage, releaseImage};
  namespace verified = tessaly::stitch::verified;
  Session* s = new (std::nothrow) Session(verified::baseStyle(style), outputSize, callbacks);
  if (s != nullptr && !verified::attach(*s, style)) {
    delete s;
    return nullptr;
  }
  return s;
}

QX_API long QXLoadImages(void* handle, long count, char** fileNames, POINT* sizes) {
  if (handle == nullptr || fileNames == nullptr || sizes == nullptr) return QX_ERR_INPUT;
  Session& s = *static_cast<Session*>(handle);
  if (s.stage != Stage::Created) return QX_ERR_SETUP;
  return runReporting(s, [&] { return tessaly::stitch::loadPieces(s, count, fileNames, sizes); });
}

QX_API long QXAutoOrder(void* handle, long* candidateCount, tagStitchOrderInfo* candidates) {
  if (handle == nullptr || candidateCount == nullptr || candidates == nullptr) return QX_ERR_SETUP;
  Session& s = *static_cast<Session*>(handle);
  if (s.stage != Stage::Loaded) return QX_ERR_SETUP;
  return runReporting(s,
                      [&] { return tessaly::stitch::orderPieces(s, candidateCount, candidates); });
}

QX_API long QXChangeOrder(void* handle, tagStitchOrderInfo* arrangement) {
  if (handle == nullptr || arrangement == nullptr) return QX_ERR_SETUP;
  if (arrangement->fileNames == nullptr || arrangement->quarterTurns == nullptr)
    return QX_ERR_SETUP;
  Session& s = *static_cast<Session*>(handle);
  if (s.stage != Stage::Loaded) return QX_ERR_SETUP;
  return tessaly::stitch::guarded(
      [&] { return tessaly::stitch::applyArrangement(s, *arrangement); });
}

QX_API long QXAutoAlign(void* handle) {
  if (handle == nullptr) return QX_ERR_SETUP;
  Session& s = *static_cast<Session*>(handle);
  if (s.stage != Stage::Loaded) return QX_ERR_SETUP;
  return runReporting(s, [&] {
    s.progress.report(0);
    tessaly::stitch::reloadForAlignment(s);
    const long status = tessaly::stitch::alignPieces(s);
    if (!isFailure(status)) {
      s.stage = Stage::Aligned;
      s.progress.reportFinal(100);
    }
    return status;
  });
}

QX_API long QXAutoBlend(void* handle, tagPixelArray** result, RECT* rectangle) {
  if (handle == nullptr || result == nullptr) return QX_ERR_SETUP;
  Session& s = *static_cast<Session*>(handle);
  if (s.stage != Stage::Aligned) return QX_ERR_SETUP;
  return runReporting(s, [&] {
    const long status = tessaly::stitch::blendPieces(s, rectangle);
    if (!isFailure(status)) {
      s.stage = Stage::Blended;
      *result = s.result.get();
    }
    return status;
  });
}

QX_API long QXAutoStraighten(void* handle, tagPixelArray* image, double* angle,
                             tagPixelArray** straightened) {
  if (handle == nullptr || image == nullptr || angle == nullptr) return QX_ERR_SETUP;
  Session& s = *static_cast<Session*>(handle);
  return tessaly::stitch::guarded(
      [&] { return tessaly::stitch::straightenImage(s, *image, angle, straightened); });
}

QX_API long QXGetMiniatures(void* handle, tagPixelArray** miniatures) {
  if (handle == nullptr || miniatures == nullptr) return QX_ERR_SETUP;
  Session& s = *static_cast<Session*>(handle);
  if (!s.hasPieces()) return QX_ERR_SETUP;
  for (int cell = 0; cell < s.count; ++cell) {
    miniatures[cell] = s.pieces[cell].levels[s.coarsest].get();
  }
  return QX_OK;
}

QX_API void QXReleaseStitch(void* handle) {
  tessaly::stitch::releaseSession(static_cast<Session*>(handle));
}

}  // extern "C"
