// Cloning a picture and copying one picture's properties onto another.
#include "heap_copy.h"
#include "layer.h"
#include "picture.h"
#include "property_store.h"

namespace zan::eng {
namespace {

zanHandle ownedBlockOf(Picture& picture) {
  zanHandle owned = 0;
  storeGet(&picture.base, ZAN_PICT_OWNED_BLOCK, &owned, sizeof owned);
  return owned;
}

// The clone of a layer with its pixels and a clone of its mask attached.
zanHandle cloneWithMask(zanHandle layer) {
  const zanHandle copy = cloneLayer(layer, true);
  try {
    Locked<Layer> source = lockOrThrow<Layer>(layer);
    if (source->mask != 0) {
      const zanHandle mask = cloneLayer(source->mask, true);
      Locked<Layer>(copy, true)->mask = mask;
    }
  } catch (...) {
    destroyObject(copy);
    throw;
  }
  return copy;
}

}  // namespace

void copyPictureProperties(Picture& target, Picture& source) {
  // The auxiliary layer and the owned block are the picture's own: the target gets copies, and
  // what it owned before goes once the copies are made.
  const zanHandle aux = source.auxLayer != 0 ? cloneLayer(source.auxLayer, true) : 0;
  const zanHandle oldOwned = ownedBlockOf(target);
  try {
    copyPropertyStore(&target.base, &source.base, ZAN_PICT_OWNED_BLOCK);
  } catch (...) {
    destroyObject(aux);
    throw;
  }
  const zanHandle newOwned = ownedBlockOf(target);
  if (oldOwned != 0 && oldOwned != newOwned) zanHeapFree(0, oldOwned);
  if (target.auxLayer != aux) destroyObject(target.auxLayer);
  target.auxLayer = aux;
  target.sourceFormat = source.sourceFormat;
  target.width = source.width;
  target.height = source.height;
  target.modified = source.modified;
  target.bitsPerPixel = source.bitsPerPixel;
  target.undoLimit = source.undoLimit;
  target.palette = source.palette;
  target.currentLayer = source.currentLayer;
  target.value217 = source.value217;
}

zanHandle clonePicture(zanHandle sourceHandle, bool withLayers) {
  Locked<Picture> source = lockOrThrow<Picture>(sourceHandle);
  const zanHandle handle = createPicture();
  try {
    Locked<Picture> copy = lockOrThrow<Picture>(handle);
    copy.markModified();
    copyPictureProperties(*copy, *source);
    if (withLayers) {
      const std::vector<zanHandle> layers = source->layers.snapshot();
      for (size_t i = 0; i < layers.size(); ++i) {
        const zanHandle layer = cloneWithMask(layers[i]);
        try {
          insertLayer(*copy, layer, static_cast<int32_t>(i + 1));
        } catch (...) {
          destroyObject(layer);
          throw;
        }
      }
    }
    copy->modified = source->modified;  // inserting the copies is no change of the document
  } catch (...) {
    destroyObject(handle);
    throw;
  }
  return handle;
}

}  // namespace zan::eng
