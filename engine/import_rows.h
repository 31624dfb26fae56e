// Building an engine layer from the rows a file plug-in delivers: the layout is checked before
// any buffer is sized, rows come in bands of at most 32 and go into the layer's blocks.
#pragma once

#include <cstdint>

#include "zanFileIO.h"
#include "zanengin.h"

namespace tessaly::engine {

inline constexpr int32_t kImportBandRows = 32;

// How the rows of an image arrive and what layer they make.
struct RowShape {
  int32_t colorModel;
  int32_t bits;      // per pixel, or per channel for planes and 2-channel grey
  int32_t channels;  // as the image describes them (0 where not given)
  int32_t planes;    // buffers the plug-in fills
  int32_t inBytes;   // bytes per pixel in a plane
  int32_t layerBpp;  // depth of the layer made
  bool alpha;        // an alpha channel follows: it becomes the layer's mask
};

// The shape of the image's rows, or false for a layout the engine does not take (an unknown
// model, bits or channel count from the plug-in).
bool rowShapeOf(const ImageInfo& image, RowShape& shape);

// The layer's depth for the image; 0 for a layout the engine does not take.
int32_t layerDepthOf(const ImageInfo& image);

// Reports progress and asks about cancelling between bands.
struct ImportProgress {
  const ZanImportOptions* options;
  int32_t start;
  int32_t end;
  bool cancelled() const;
  void report(int64_t done, int64_t total) const;
};

// Makes a layer of the described rectangle and fills it from the image's rows, which have been
// started with zanIOStartReadImage or zanIOStartReadLayer. When insertInto is a picture the
// layer is put there at index before its rows are read, so a failure or a cancel leaves it
// there partly filled. Answers the layer (the caller's when not inserted) or throws a code:
// ZAN_ERR_BUILD_LAYER for a rectangle or layout that cannot be, ZAN_ERR_CREATE for row buffers,
// ZAN_ERR_ROWS for a band that brought no rows, ZAN_ERR_CANCELLED.
zanHandle buildLayerFromRows(zanIOImage* image, const ImageInfo& imageInfo,
                             const LayerInfo& layerInfo, const ImportProgress& progress,
                             zanHandle insertInto, int32_t index);

}  // namespace tessaly::engine
