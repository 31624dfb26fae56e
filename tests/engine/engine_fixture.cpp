// Shared test helpers.
#include "engine_fixture.h"

#include "layer.h"
#include "picture.h"
#include "pixel_format.h"
#include "run_heap.h"

namespace tessaly::engine::test {

zanHeap testRunHeap() {
  static const zanHeap heap = [] {
    const zanHeap h = zanHeapCreate();
    zanHeapSetMoving(h, 1);
    zanInitRunHeap(h);
    return h;
  }();
  return heap;
}

void EngineTest::SetUp() {
  testRunHeap();
  defaultBlocks_ = zanHeapBlockCount(0);
  runBlocks_ = zanHeapBlockCount(tessaly::engine::runHeap());
}

void EngineTest::TearDown() {
  EXPECT_EQ(zanHeapBlockCount(0), defaultBlocks_) << "blocks of the default heap left behind";
  EXPECT_EQ(zanHeapBlockCount(tessaly::engine::runHeap()), runBlocks_)
      << "pixel memory left behind";
}

zanHandle newLayer(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t bpp) {
  int32_t error = 1;
  const zanHandle layer = zanCreateLayer(left, top, right, bottom, &error);
  EXPECT_NE(layer, 0u);
  EXPECT_EQ(error, ZAN_OK);
  if (bpp != 24) setLayerValue(layer, ZAN_LAYER_BPP, bpp);
  return layer;
}

zanHandle newPicture() {
  const zanHandle picture = zanCreatePicture(nullptr);
  EXPECT_NE(picture, 0u);
  return picture;
}

namespace {

using Getter = int32_t (*)(zanHandle, int32_t, void*, uint32_t, int32_t*);
using Setter = int32_t (*)(zanHandle, int32_t, const void*, uint32_t, uint32_t);

int32_t valueOf(Getter get, zanHandle object, int32_t id) {
  int32_t value = -12345;
  EXPECT_EQ(get(object, id, &value, sizeof value, nullptr), 4) << "id " << id;
  return value;
}

void store(Setter set, zanHandle object, int32_t id, int32_t value) {
  EXPECT_EQ(set(object, id, &value, sizeof value, 0), 4) << "id " << id;
}

}  // namespace

int32_t layerValue(zanHandle layer, int32_t id) {
  return valueOf(zanGetLayerProperty, layer, id);
}
void setLayerValue(zanHandle layer, int32_t id, int32_t value) {
  store(zanSetLayerProperty, layer, id, value);
}
int32_t pictureValue(zanHandle picture, int32_t id) {
  return valueOf(zanGetPictureProperty, picture, id);
}
void setPictureValue(zanHandle picture, int32_t id, int32_t value) {
  store(zanSetPictureProperty, picture, id, value);
}

int32_t insert(zanHandle picture, zanHandle layer, int32_t index) {
  tessaly::engine::Locked<tessaly::engine::Picture> p(picture, true);
  return tessaly::engine::insertLayer(*p, layer, index);
}

Image patternImage(int32_t width, int32_t height, int32_t bpp, uint32_t seed) {
  Image image = blankImage(width, height, bpp);
  uint32_t state = seed * 2654435761u + 1;
  for (unsigned char& b : image.bytes) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<unsigned char>(state >> 24);
  }
  return image;
}

Image blankImage(int32_t width, int32_t height, int32_t bpp, unsigned char byte) {
  const int32_t pixelBytes = tessaly::engine::bytesPerPixel(bpp);
  const int32_t stride = width * pixelBytes + 5;  // an odd stride catches stride mix-ups
  return Image{width, height, pixelBytes, stride,
               std::vector<unsigned char>(static_cast<size_t>(stride) * height + 1, byte)};
}

Image readLayer(zanHandle layer, const RECT& rect, int32_t bpp, unsigned char byte) {
  Image image = blankImage(rect.right - rect.left, rect.bottom - rect.top, bpp, byte);
  EXPECT_EQ(zanGetLayerBits(image.bytes.data(), layer, rect.left, rect.top, rect.right, rect.bottom,
                            image.stride),
            ZAN_OK);
  return image;
}

namespace {

struct Probe {
  tessaly::engine::HandleObject base;
  static const tessaly::engine::ObjectOps ops;
};

std::vector<std::pair<zanHandle, Change>>& recorded() {
  static std::vector<std::pair<zanHandle, Change>> changes;
  return changes;
}

void recordChange(tessaly::engine::HandleObject* self, int32_t code, const RECT& rect) {
  recorded().emplace_back(self->handle, Change{code, rect});
}

void destroyProbe(tessaly::engine::HandleObject* self, uint32_t flags) {
  tessaly::engine::finishDestroy(self, flags);
}

}  // namespace

const tessaly::engine::ObjectOps Probe::ops = {destroyProbe,
                                               tessaly::engine::baseUnlock,
                                               tessaly::engine::noSetHook,
                                               tessaly::engine::noGetHook,
                                               recordChange,
                                               0x50524245,
                                               sizeof(Probe)};

bool operator==(const Change& a, const Change& b) {
  return a.code == b.code && a.rect.left == b.rect.left && a.rect.top == b.rect.top &&
         a.rect.right == b.rect.right && a.rect.bottom == b.rect.bottom;
}

std::ostream& operator<<(std::ostream& out, const Change& c) {
  return out << c.code << " (" << c.rect.left << ", " << c.rect.top << ", " << c.rect.right << ", "
             << c.rect.bottom << ")";
}

zanHandle attachProbe(zanHandle picture) {
  tessaly::engine::registerObjectClass(&Probe::ops);
  const zanHandle probe = tessaly::engine::createObject<Probe>([](Probe&) {});
  tessaly::engine::Locked<tessaly::engine::Picture> p(picture, true);
  p->views.append(probe);
  return probe;
}

std::vector<Change> probeChanges(zanHandle probe) {
  std::vector<Change> mine;
  auto& all = recorded();
  for (auto it = all.begin(); it != all.end();) {
    if (it->first == probe) {
      mine.push_back(it->second);
      it = all.erase(it);
    } else {
      ++it;
    }
  }
  return mine;
}

}  // namespace tessaly::engine::test
