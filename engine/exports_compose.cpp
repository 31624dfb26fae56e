// Exported functions of composition: merging, resampling and reading a picture's pixels.
#include "export_guard.h"
#include "merge.h"
#include "zanengin.h"

using namespace tessaly::engine;

extern "C" {

ZAN_API zanHandle zanMergeLayers(zanHandle picture, int32_t numerator, int32_t denominator,
                                 BlockHeader* background, const RECT* rect, void* /*reserved*/,
                                 int32_t* error) {
  if (picture == 0) return 0;
  return guardCreate<zanHandle>(error, [&] {
    Block* paper = background != nullptr ? blockOf(background) : nullptr;
    if (background != nullptr && paper == nullptr) _zanThrow(ZAN_ERR_ARG);
    return mergeLayers(picture, ComposeScale{numerator, denominator}, paper, rect);
  });
}

ZAN_API zanHandle zanLayerResample(zanHandle layer, const int32_t* ratio) {
  if (layer == 0 || ratio == nullptr) return 0;
  return guardResult<zanHandle>([&] {
    return resampleLayer(layer, ComposeScale{ratio[0], ratio[1]});
  });
}

ZAN_API int32_t zanGetPictureBits(BlockHeader* block, zanHandle picture, int32_t left, int32_t top,
                                  int32_t right, int32_t bottom) {
  if (block == nullptr || picture == 0) return ZAN_OK;
  return guardCode([&] {
    Block* target = blockOf(block);
    if (target == nullptr) _zanThrow(ZAN_ERR_ARG);
    readPictureBits(*target, picture, RECT{left, top, right, bottom});
  });
}

}  // extern "C"
