// Masks through the operations: a result carries its source's mask, copied unchanged by the
// per-pixel operations and put through the same geometric pass by the others.
#pragma once

#include "layer_access.h"
#include "progress.h"

namespace tessaly::tools {

// The source's mask as a layer on the source's own rectangle and tile grid, ready to be a pass's
// source (a pass then walks as many tiles for it as for the source): the mask itself when it
// already lies so, else an 8-bit copy of it (0 where the mask does not reach). handle() is 0 when
// the source has no mask.
class MaskSource {
 public:
  explicit MaskSource(zanHandle source);
  zanHandle handle() const { return handle_; }

 private:
  OwnedLayer copy_;
  zanHandle handle_ = 0;
};

// Makes mask the result's mask; the result owns it from then on.
void attachMask(zanHandle result, OwnedLayer mask);

// Gives the result a copy of the source's mask, when it has one.
void copyMask(zanHandle source, zanHandle result);

// An 8-bit layer of 255 on rect with the layer's tile size, for operations that need a mask where
// the layer has none.
OwnedLayer opaqueMask(zanHandle layer, const RECT& rect);

// Runs pass(source, meter) for the layer and, when it has a mask, again for the mask, whose result
// becomes the result's mask. The progress range is split evenly between the two passes.
template <typename Pass>
OwnedLayer imageThenMask(zanHandle layer, const ToolProgress* progress, int64_t units,
                         int32_t cancelReason, Pass&& pass) {
  const MaskSource mask(layer);
  const int64_t passes = mask.handle() != 0 ? 2 : 1;
  const ProgressMeter whole(progress, units * passes, cancelReason);
  ProgressMeter first = whole.part(0, units, units);
  OwnedLayer result = pass(layer, first);
  if (mask.handle() != 0) {
    ProgressMeter second = whole.part(units, 2 * units, units);
    attachMask(result.get(), pass(mask.handle(), second));
  }
  return result;
}

}  // namespace tessaly::tools
