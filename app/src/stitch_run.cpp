#include "stitch_run.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "tessaly/host/operations.h"
#include "ui_strings.h"

namespace tessaly::app {

using namespace tessaly::host;

namespace {

// Runs one engine call; anything thrown through it (a callback out of memory) is a failure of
// its own kind, never a crash.
template <typename Call>
long guarded(Call&& call, bool& threw) {
  threw = false;
  try {
    return call();
  } catch (...) {
    threw = true;
    return QX_ERR_SETUP;
  }
}

}  // namespace

int stitchPercent(StitchStage stage, long position) {
  const int p = int(std::clamp(position, 0L, 100L));
  switch (stage) {
    case StitchStage::Loading:
      return 2 * p / 10;
    case StitchStage::Ordering:
      return 20 + 2 * p / 10;
    case StitchStage::Aligning:
      return 40 + 3 * p / 10;
    case StitchStage::Blending:
      return 70 + 3 * p / 10;
  }
  return -1;
}

bool isStitchSuccess(long status) {
  return status == QX_OK ||
         (status >= QX_WARN_FEATURELESS_PIECES && status <= QX_WARN_SMALL_OVERLAP);
}

int statusMessage(long status) {
  if (isStitchSuccess(status) || status == QX_CANCELLED) return 0;
  if (status == QX_ERR_INPUT) return text::kUnsuitablePieces;
  if (status == QX_ERR_SETUP) return text::kNoMemory;
  return text::kStitchFailed;
}

tagStitchStyle engineStyle(int style, const std::string& method) {
  const int verified = method == "classic" ? 0 : QX_STYLE_VERIFIED;
  return tagStitchStyle((style & 0xFF) | verified);
}

ZanObject* rasterFromPixelArray(const tagPixelArray& image) {
  const int64_t rowBytes = int64_t(image.width) * 3;
  if (image.width <= 0 || image.height <= 0 || image.bits == nullptr ||
      int64_t(image.bytesPerLine) < rowBytes) {
    return nullptr;
  }
  ZanObject* raster = Zan0CreateObj(kRaster);
  if (!Zan0Inter(raster, op::kRasterCreate, image.width, image.height)) {
    Zan0Release(raster);
    return nullptr;
  }
  for (int32_t r = 0; r < image.height; ++r) {
    auto* target = reinterpret_cast<unsigned char*>(
        Zan0Inter(raster, op::kRasterRow, intptr_t(image.height) - 1 - r));
    std::memcpy(target, image.bits + int64_t(r) * image.bytesPerLine, size_t(rowBytes));
  }
  return raster;
}

ZanObject* pictureFromRaster(ZanObject* raster) {
  if (raster == nullptr) return nullptr;
  ZanObject* picture = Zan0CreateObj(kPicture);
  if (!Zan0Inter(picture, op::kPictureFromRaster, reinterpret_cast<intptr_t>(raster))) {
    Zan0Release(picture);
    picture = nullptr;
  }
  Zan0Release(raster);
  return picture;
}

ZanObject* pictureFromPixelArray(const tagPixelArray& image) {
  return pictureFromRaster(rasterFromPixelArray(image));
}

StitchRun::StitchRun() = default;

StitchRun::~StitchRun() {
  release();
}

void StitchRun::release() {
  // The session points at the name buffers and candidate records: it goes first.
  if (session_) notify("QXReleaseStitch");
  QXReleaseStitch(session_);
  session_ = nullptr;
  buffers_.clear();
  candidateCount_ = 0;
  feeder_.reset();
}

void StitchRun::notify(const char* call) {
  if (onCall) onCall(call);
}

bool StitchRun::fail(int text) {
  release();
  if (text != 0 && showMessage) showMessage(text);
  return false;
}

bool StitchRun::accept(long status) {
  if (isStitchSuccess(status)) return true;
  return fail(statusMessage(status));
}

void* StitchRun::createSession(tagStitchStyle style, int outputSize) {
  notify("QXCreateStitch");
  return QXCreateStitch(style, outputSize, this, &onProgress, &onLoad, &onRelease);
}

bool StitchRun::makeEngineBuffers() {
  std::vector<std::string> paths;
  std::vector<POINT> sizes;
  try {
    for (const StitchEntry& entry : feeder_->entries()) {
      paths.push_back(entry.path);
      sizes.push_back({entry.width, entry.height});
    }
    buffers_.make(paths, sizes);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool StitchRun::prepareAndOrder(std::vector<StitchEntry> entries, tagStitchStyle style,
                                int outputSize) {
  release();
  stage_ = StitchStage::Loading;
  if (entries.empty()) return fail(text::kStitchFailed);
  feeder_ = std::make_unique<PieceFeeder>(std::move(entries));
  session_ = createSession(style, outputSize);
  if (session_ == nullptr || !makeEngineBuffers()) return fail(text::kNoMemory);

  bool threw = false;
  notify("QXLoadImages");
  const long loaded = guarded(
      [&] { return QXLoadImages(session_, buffers_.count(), buffers_.names(), buffers_.sizes()); },
      threw);
  if (threw) return fail(text::kStitchFailed);
  if (!accept(loaded)) return false;

  stage_ = StitchStage::Ordering;
  notify("QXAutoOrder");
  const long ordered = guarded(
      [&] { return QXAutoOrder(session_, &candidateCount_, buffers_.candidates()); }, threw);
  if (threw) return fail(text::kStitchFailed);
  if (!accept(ordered)) return false;
  if (candidateCount_ <= 0) return fail(text::kStitchFailed);
  return true;
}

ZanObject* StitchRun::compose() {
  if (session_ == nullptr) return nullptr;
  bool threw = false;
  stage_ = StitchStage::Aligning;
  notify("QXAutoAlign");
  const long aligned = guarded([&] { return QXAutoAlign(session_); }, threw);
  if (threw) return fail(text::kStitchFailed), nullptr;
  if (!accept(aligned)) return nullptr;

  stage_ = StitchStage::Blending;
  tagPixelArray* result = nullptr;
  notify("QXAutoBlend");
  const long blended = guarded([&] { return QXAutoBlend(session_, &result, nullptr); }, threw);
  if (threw) return fail(text::kStitchFailed), nullptr;
  if (!accept(blended)) return nullptr;
  // The raster is the only copy while the session goes: the engine's result is freed before
  // the picture is made from it.
  ZanObject* raster = result ? rasterFromPixelArray(*result) : nullptr;
  release();
  ZanObject* picture = pictureFromRaster(raster);
  if (picture == nullptr && showMessage) showMessage(text::kNoMemory);
  return picture;
}

bool StitchRun::straighten(tagPixelArray* image, double* angle) {
  if (session_ == nullptr) {
    session_ = createSession(QX_STYLE_ROW, 0);
    if (session_ == nullptr) return false;
  }
  notify("QXAutoStraighten");
  bool threw = false;
  const long status =
      guarded([&] { return QXAutoStraighten(session_, image, angle, nullptr); }, threw);
  release();
  return !threw && straightenSucceeded(status);
}

void StitchRun::onProgress(long position, bool* cancel, void* self) {
  auto* run = static_cast<StitchRun*>(self);
  if (run == nullptr || cancel == nullptr) return;
  *cancel = run->escapePressed && run->escapePressed();
  if (*cancel) return;
  const int percent = stitchPercent(run->stage_, position);
  if (percent < 0) return;
  if (run->reportProgress && run->reportProgress(percent)) *cancel = true;
}

long StitchRun::onLoad(char* const fileName, tagPixelArray** image, void* self) {
  auto* run = static_cast<StitchRun*>(self);
  if (run == nullptr || image == nullptr) return kLoadBadArguments;
  if (run->feeder_ == nullptr) return decodePicture(fileName ? fileName : "", image);
  return run->feeder_->load(fileName, image);
}

void StitchRun::onRelease(tagPixelArray** image, void*) {
  PieceFeeder::release(image);
}

}  // namespace tessaly::app
