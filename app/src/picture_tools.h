// The picture operations of the Result page, each made by the image tools on an engine layer:
// quarter turns, the two enhancement tools, the reduced copy for previews, and turning by the
// rotation tool's matrix with white where the turned picture does not reach. Each returns a new
// image, null when the tools could not make it.
#pragma once

#include <QImage>

#include "picture_layers.h"
#include "turn_matrix.h"

namespace tessaly::app {

// The host's enhancement tools, applied one after the other: 786 stretches the levels of each
// channel, 787 the contrast of the whole picture.
constexpr int kEnhanceLevelsTool = 786;
constexpr int kEnhanceContrastTool = 787;

// A quarter turn: `left` 90 degrees counter-clockwise, else clockwise.
QImage quarterTurned(const QImage& image, bool left);
// Host image tool `tool` (786 or 787) applied to the image.
QImage withImageTool(const QImage& image, int tool);
// Tools 786 then 787.
QImage enhanced(const QImage& image);
// The image resampled by `scale` (below 1: averaged areas), at least 1 x 1.
QImage reducedBy(const QImage& image, double scale);

// A picture ready to be turned again and again: its layer and a layer telling where it has
// pixels, so that what the turn leaves uncovered can be made white.
class TurnSource {
 public:
  explicit TurnSource(const QImage& image);
  bool isValid() const { return bool(layer_) && bool(coverage_); }
  int width() const { return width_; }
  int height() const { return height_; }
  // The picture turned and scaled by `geometry`, white outside the turned picture.
  QImage turned(const TurnGeometry& geometry) const;

 private:
  LayerHandle layer_;
  LayerHandle coverage_;  // 8 bits, 255 over the whole picture
  int width_ = 0;
  int height_ = 0;
};

}  // namespace tessaly::app
