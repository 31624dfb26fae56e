// Exported picture-wide geometry: every layer of a picture turned or mirrored together with its
// canvas. All new layers are made first; only then do they replace the old ones, so a failure or
// a cancel on the way leaves the picture as it was.
#include <vector>

#include "guard.h"
#include "layer_turns.h"
#include "rotation.h"

using namespace tessaly::tools;

namespace {

int32_t pictureValue(zanHandle picture, int32_t id) {
  int32_t value = 0;
  if (zanGetPictureProperty(picture, id, &value, sizeof value, nullptr) < 0) fail(MAT_ERR_ARG);
  return value;
}

void setPictureValue(zanHandle picture, int32_t id, int32_t value) {
  if (zanSetPictureProperty(picture, id, &value, sizeof value, 0) < 0) fail(MAT_ERR_FAILED);
}

// The caller's range cut into count equal parts; part i of them.
ToolProgress progressPart(const ToolProgress* progress, int32_t i, int32_t count) {
  if (progress == nullptr) return ToolProgress{};
  ToolProgress part = *progress;
  const int64_t span = int64_t{progress->rangeEnd} - progress->rangeStart;
  part.rangeStart = static_cast<int32_t>(progress->rangeStart + span * i / count);
  part.rangeEnd = static_cast<int32_t>(progress->rangeStart + span * (i + 1) / count);
  return part;
}

// Makes the new version of every layer (1-based index, its layer, its progress), then puts them in
// the old ones' places and destroys the old ones.
template <typename Make>
void replaceEveryLayer(zanHandle picture, const ToolProgress* progress, Make&& make) {
  const int32_t count = pictureValue(picture, ZAN_PICT_LAYERCOUNT);
  std::vector<OwnedLayer> made;
  for (int32_t i = 1; i <= count; ++i) {
    const ToolProgress part = progressPart(progress, i - 1, count);
    made.push_back(make(zanGetLayer(picture, i, nullptr), progress != nullptr ? &part : nullptr));
  }
  for (int32_t i = 1; i <= count; ++i) {
    OwnedLayer old(zanRemoveLayer(picture, i, nullptr));
    if (old.get() == 0) fail(MAT_ERR_FAILED);
    if (zanInsertLayer(picture, made[i - 1].get(), i) < 0) {
      zanInsertLayer(picture, old.release(), i);
      fail(MAT_ERR_FAILED);
    }
    made[i - 1].release();
  }
}

void turnPicture(zanHandle picture, const RotateParams& params, const ToolProgress* progress) {
  const int32_t width = pictureValue(picture, ZAN_PICT_WIDTH);
  const int32_t height = pictureValue(picture, ZAN_PICT_HEIGHT);
  const int32_t angle = normalisedAngle(params.angle);
  // Every layer turns about the canvas's centre; the turned canvas starts at (0, 0) again.
  const POINT centre{width / 2, height / 2};
  const POINT origin = placementAboutCentre(angle, RECT{0, 0, width, height}, centre);
  replaceEveryLayer(picture, progress, [&](zanHandle layer, const ToolProgress* part) {
    const POINT at = placementAboutCentre(angle, readGeometry(layer).rect, centre);
    return turnLayerTo(layer, angle, POINT{at.x - origin.x, at.y - origin.y}, part);
  });
  const Size canvas = rotatedSize(angle, width, height);
  setPictureValue(picture, ZAN_PICT_WIDTH, canvas.width);
  setPictureValue(picture, ZAN_PICT_HEIGHT, canvas.height);
}

void mirrorPicture(zanHandle picture, bool horizontal, const ToolProgress* progress) {
  const int32_t width = pictureValue(picture, ZAN_PICT_WIDTH);
  const int32_t height = pictureValue(picture, ZAN_PICT_HEIGHT);
  replaceEveryLayer(picture, progress, [&](zanHandle layer, const ToolProgress* part) {
    const RECT r = readGeometry(layer).rect;
    const RECT mirrored = horizontal ? RECT{width - r.right, r.top, width - r.left, r.bottom}
                                     : RECT{r.left, height - r.bottom, r.right, height - r.top};
    return mirrorLayer(layer, horizontal, mirrored, part);
  });
}

}  // namespace

extern "C" {

ZAN_API int32_t _matRotatePicture(zanHandle picture, const RotateParams* params,
                                  const ToolProgress* progress, int32_t* error) {
  return guardStatus(error, [&] {
    if (picture == 0 || params == nullptr) fail(MAT_ERR_ARG);
    turnPicture(picture, *params, progress);
  });
}

ZAN_API int32_t _matFlipPicture(zanHandle picture, const FlipParams* params,
                                const ToolProgress* progress, int32_t* error) {
  return guardStatus(error, [&] {
    if (picture == 0 || params == nullptr) fail(MAT_ERR_ARG);
    mirrorPicture(picture, params->direction != 0, progress);
  });
}

}  // extern "C"
