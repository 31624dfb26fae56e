// The classes of the engine: a handle is taken for an engine object only when its record points
// at one of these tables.
#include "block.h"
#include "data_layer.h"
#include "layer.h"
#include "object.h"
#include "picture.h"
#include "property_store.h"

namespace zan::eng {

bool isEngineOps(const ObjectOps* ops) {
  static const ObjectOps* const kClasses[] = {&Picture::ops, &Layer::ops, &DataLayer::ops,
                                              &Block::ops, &PropertyItem::ops};
  for (const ObjectOps* known : kClasses)
    if (ops == known) return true;
  return false;
}

}  // namespace zan::eng
