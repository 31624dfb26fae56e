// Rows of a picture or a layer as an export writes them, band by band.
#pragma once

#include <cstdint>

#include "zanengin.h"

namespace tessaly::engine {

// The pixels of rows y to y + rows, at the source's depth, into out (stride bytes apart).
class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual void read(int32_t y, int32_t rows, uint8_t* out, int64_t stride) = 0;
};

// A picture's visible layers composed. A picture of one plain opaque layer covering the canvas
// at the picture's depth is read straight from that layer.
class PictureRows final : public RowSource {
 public:
  PictureRows(zanHandle picture, int32_t width, int32_t bitsPerPixel, int32_t bandRows);
  ~PictureRows() override;
  PictureRows(const PictureRows&) = delete;
  PictureRows& operator=(const PictureRows&) = delete;
  void read(int32_t y, int32_t rows, uint8_t* out, int64_t stride) override;

 private:
  zanHandle picture_;
  int32_t width_;
  zanHandle plainLayer_ = 0;
  BlockHeader* block_ = nullptr;
};

// One layer's pixels, in layer coordinates.
class LayerRows final : public RowSource {
 public:
  LayerRows(zanHandle layer, int32_t width) : layer_(layer), width_(width) {}
  void read(int32_t y, int32_t rows, uint8_t* out, int64_t stride) override;

 private:
  zanHandle layer_;
  int32_t width_;
};

int32_t layerValue(zanHandle layer, int32_t id);
int32_t pictureValue(zanHandle picture, int32_t id);

}  // namespace tessaly::engine
