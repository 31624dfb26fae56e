// Finding the outline and matrix a transformed layer is drawn through.
#include "layer_transform.h"
#include "rect_mask.h"

namespace tessaly::engine {
namespace {

bool isTransformed(const Layer& layer) {
  return layer.kind == ZAN_LAYERKIND_TRANSFORMED;
}

// The rectangle mask an object owns, and the object's matrix.
bool outlineOf(const Layer& holder, TransformedLook& look) {
  Locked<RectMask> outline(holder.ownedObject);
  if (!outline || !readMatrix(holder.transform, look.matrix)) return false;
  look.rectMask = outline.handle();
  look.source = outline->source;
  return true;
}

}  // namespace

TransformedLook transformedLook(const Layer& layer) {
  TransformedLook look;
  Locked<Layer> mask(layer.mask);
  const bool maskTransformed = mask && isTransformed(*mask);
  if (!isTransformed(layer) && !maskTransformed) return look;
  look.pixelsMapped = isTransformed(layer);
  if ((maskTransformed && outlineOf(*mask, look)) || outlineOf(layer, look)) {
    look.draw = TransformedLook::Draw::Through;
    return look;
  }
  // A wrapped bitmap has nothing to go through: it shows where it stands.
  const bool bare = isTransformed(layer) && !maskTransformed && layer.transform == 0;
  look.draw = bare ? TransformedLook::Draw::Direct : TransformedLook::Draw::Nothing;
  return look;
}

}  // namespace tessaly::engine
