// Exported geometric operations: mapping a layer through a matrix, baking a transformed layer,
// and scaling a layer into a caller's block.
#include <algorithm>

#include "block.h"
#include "export_guard.h"
#include "layer_transform.h"
#include "zanengin.h"

using namespace tessaly::engine;

extern "C" {

ZAN_API zanHandle zanCropTransform(zanHandle layer, const RECT* clip, const double* matrix,
                                   int32_t mode, void* /*reserved*/) {
  if (layer == 0 || matrix == nullptr) return 0;
  Matrix m;
  std::copy(matrix, matrix + 9, m.begin());
  return guardResult<zanHandle>([&] { return cropTransform(layer, clip, m, mode != 0); });
}

ZAN_API zanHandle zanTransform(zanHandle layer, const double* matrix, int32_t mode,
                               void* reserved) {
  return zanCropTransform(layer, nullptr, matrix, mode, reserved);
}

ZAN_API int32_t zanLayerRaster(zanHandle layer) {
  return guardStatus([&] {
    Locked<Layer> locked(layer, true);
    if (!locked) return ZAN_ERR_ARG;
    return rasterLayer(*locked);
  });
}

ZAN_API int32_t zanCropResize(BlockHeader* block, const RECT* rect, zanHandle layer,
                              const int32_t* ratioX, const int32_t* ratioY, int32_t type) {
  if (block == nullptr || rect == nullptr || ratioX == nullptr || ratioY == nullptr) return 0;
  return guardResult<int32_t>([&] {
    Locked<Layer> locked(layer);
    if (!locked) return 0;
    return cropResize(*block, *rect, *locked, ratioX, ratioY, type);
  });
}

}  // extern "C"
