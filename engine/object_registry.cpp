// The classes of the engine: a handle is taken for an engine object only when its record points
// at one of these tables.
#include <algorithm>
#include <mutex>
#include <vector>

#include "block.h"
#include "data_layer.h"
#include "layer.h"
#include "object.h"
#include "picture.h"
#include "property_store.h"
#include "rect_mask.h"
#include "view.h"

namespace tessaly::engine {
namespace {

struct Registry {
  std::mutex mutex;
  std::vector<const ObjectOps*> added;
};

Registry& registry() {
  static Registry* r = new Registry;  // lives as long as the process, like the objects
  return *r;
}

}  // namespace

bool isEngineOps(const ObjectOps* ops) {
  static const ObjectOps* const kClasses[] = {&Picture::ops, &Layer::ops,        &DataLayer::ops,
                                              &Block::ops,   &PropertyItem::ops, &RectMask::ops,
                                              &View::ops};
  if (std::find(std::begin(kClasses), std::end(kClasses), ops) != std::end(kClasses)) return true;
  Registry& r = registry();
  std::lock_guard guard(r.mutex);
  return std::find(r.added.begin(), r.added.end(), ops) != r.added.end();
}

void registerObjectClass(const ObjectOps* ops) {
  Registry& r = registry();
  std::lock_guard guard(r.mutex);
  if (std::find(r.added.begin(), r.added.end(), ops) == r.added.end()) r.added.push_back(ops);
}

}  // namespace tessaly::engine
