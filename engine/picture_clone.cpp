// Cloning a picture and copying one picture's properties onto another.
#include "heap_copy.h"
#include "layer.h"
#include "owned.h"
#include "picture.h"
#include "property_store.h"

namespace tessaly::engine {
namespace {

zanHandle ownedBlockOf(Picture& picture) {
  zanHandle owned = 0;
  storeGet(&picture.base, ZAN_PICT_OWNED_BLOCK, &owned, sizeof owned);
  return owned;
}

// The clone of a layer with its pixels and a clone of its mask attached.
zanHandle cloneWithMask(zanHandle layer) {
  OwnedObject copy(cloneLayer(layer, true));
  Locked<Layer> source = lockOrThrow<Layer>(layer);
  if (source->mask != 0) {
    const zanHandle mask = cloneLayer(source->mask, true);
    Locked<Layer>(copy.get(), true)->mask = mask;
  }
  return copy.release();
}

}  // namespace

void copyPictureProperties(Picture& target, Picture& source) {
  // The auxiliary layer and the owned block are the picture's own: the target gets copies, and
  // what it owned before goes once the copies are made.
  OwnedObject aux(source.auxLayer != 0 ? cloneLayer(source.auxLayer, true) : 0);
  const zanHandle oldOwned = ownedBlockOf(target);
  copyPropertyStore(&target.base, &source.base, ZAN_PICT_OWNED_BLOCK);
  const zanHandle newOwned = ownedBlockOf(target);
  if (oldOwned != 0 && oldOwned != newOwned) zanHeapFree(0, oldOwned);
  if (target.auxLayer != aux.get()) destroyObject(target.auxLayer);
  target.auxLayer = aux.release();
  target.sourceFormat = source.sourceFormat;
  target.width = source.width;
  target.height = source.height;
  target.modified = source.modified;
  target.bitsPerPixel = source.bitsPerPixel;
  target.undoLimit = source.undoLimit;
  target.palette = source.palette;
  target.currentLayer = source.currentLayer;
  target.userValue = source.userValue;
}

zanHandle clonePicture(zanHandle sourceHandle, bool withLayers) {
  Locked<Picture> source = lockOrThrow<Picture>(sourceHandle);
  OwnedObject owned(createPicture());
  Locked<Picture> copy = lockOrThrow<Picture>(owned.get());
  copy.markModified();
  copyPictureProperties(*copy, *source);
  if (withLayers) {
    const std::vector<zanHandle> layers = source->layers.snapshot();
    for (size_t i = 0; i < layers.size(); ++i) {
      OwnedObject layer(cloneWithMask(layers[i]));
      insertLayer(*copy, layer.get(), static_cast<int32_t>(i + 1));
      layer.release();
    }
  }
  copy->modified = source->modified;  // inserting the copies is no change of the document
  return owned.release();
}

}  // namespace tessaly::engine
