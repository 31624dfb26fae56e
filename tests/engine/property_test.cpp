// The generic property store behind every object: sizes, replacement in place, order,
// enumeration and copying.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine_fixture.h"

using namespace tessaly::engine::test;

namespace {

using Properties = EngineTest;

struct Seen {
  std::vector<int32_t> ids;
  std::vector<std::string> values;
  std::vector<uint32_t> flags;
};

int32_t collect(void* data, zanHandle, int32_t id, void* data2, uint32_t size, uint32_t flags,
                void* user) {
  auto* seen = static_cast<Seen*>(user);
  EXPECT_EQ(data, data2);
  seen->ids.push_back(id);
  seen->values.emplace_back(static_cast<const char*>(data), size);
  seen->flags.push_back(flags);
  return id;
}

Seen enumerate(zanHandle layer) {
  Seen seen;
  zanEnumLayerProperties(layer, collect, &seen);
  return seen;
}

TEST_F(Properties, GetCopiesAtMostTheBufferAndLeavesItAloneForUnknownIds) {
  const zanHandle layer = newLayer(0, 0, 1, 1);
  char buffer[8] = "xxxxxxx";
  int32_t out = -1;
  EXPECT_EQ(zanGetLayerProperty(layer, 500, buffer, sizeof buffer, &out), 0);
  EXPECT_EQ(out, 0);
  EXPECT_STREQ(buffer, "xxxxxxx");

  EXPECT_EQ(zanSetLayerProperty(layer, 500, "abcdef", 6, 0), 6);
  EXPECT_EQ(zanGetLayerProperty(layer, 500, buffer, 3, &out), 3);
  EXPECT_EQ(out, 3);
  EXPECT_EQ(std::string(buffer, 4), "abcx");
  EXPECT_EQ(zanGetLayerProperty(layer, 500, buffer, sizeof buffer, nullptr), 6);
  EXPECT_EQ(zanGetLayerProperty(layer, 500, nullptr, sizeof buffer, nullptr), 6);

  // Null data stores zeros of the size given.
  EXPECT_EQ(zanSetLayerProperty(layer, 501, nullptr, 4, 0), 4);
  int32_t zero = 7;
  EXPECT_EQ(zanGetLayerProperty(layer, 501, &zero, 4, nullptr), 4);
  EXPECT_EQ(zero, 0);
  zanDestroyLayer(layer);
}

TEST_F(Properties, ResettingKeepsTheOrderOfFirstSettingAndReplacesInPlace) {
  const zanHandle layer = newLayer(0, 0, 1, 1);
  zanSetLayerProperty(layer, 3, "one", 3, 10);
  zanSetLayerProperty(layer, -1, "two", 3, 20);
  zanSetLayerProperty(layer, 1, "three", 5, 30);
  zanSetLayerProperty(layer, -1, "TWO!!", 5, 21);  // another size: a new item, same place
  zanSetLayerProperty(layer, 3, "ONE", 3, 11);     // same size: bytes and flags overwritten
  zanSetLayerProperty(layer, 3, nullptr, 3, 12);   // null data keeps the bytes
  const Seen seen = enumerate(layer);
  EXPECT_EQ(seen.ids, (std::vector<int32_t>{3, -1, 1}));
  EXPECT_EQ(seen.values, (std::vector<std::string>{"ONE", "TWO!!", "three"}));
  EXPECT_EQ(seen.flags, (std::vector<uint32_t>{12, 21, 30}));
  zanDestroyLayer(layer);
}

TEST_F(Properties, EnumerationAnswersTheLastCallbackAndSurvivesChangesFromIt) {
  const zanHandle layer = newLayer(0, 0, 1, 1);
  EXPECT_EQ(zanEnumLayerProperties(layer, collect, nullptr), 0) << "empty store";
  zanSetLayerProperty(layer, 8, "a", 1, 0);
  zanSetLayerProperty(layer, 9, "b", 1, 0);
  Seen seen;
  EXPECT_EQ(zanEnumLayerProperties(layer, collect, &seen), 9);

  // A callback that replaces every item it is shown with a bigger one.
  auto grow = [](void*, zanHandle owner, int32_t id, void*, uint32_t size, uint32_t,
                 void*) -> int32_t {
    const std::string bigger(size + 10, 'z');
    zanSetLayerProperty(owner, id, bigger.data(), static_cast<uint32_t>(bigger.size()), 0);
    return 1;
  };
  EXPECT_EQ(zanEnumLayerProperties(layer, grow, nullptr), 1);
  EXPECT_EQ(enumerate(layer).values,
            (std::vector<std::string>{std::string(11, 'z'), std::string(11, 'z')}));
  zanDestroyLayer(layer);
}

TEST_F(Properties, BuiltInValuesRefuseShortDataAndKeepTheirSize) {
  const zanHandle layer = newLayer(0, 0, 1, 1);
  const int16_t tooShort = 3;
  EXPECT_EQ(zanSetLayerProperty(layer, ZAN_LAYER_USER1, &tooShort, sizeof tooShort, 0),
            ZAN_ERR_ARG);
  EXPECT_EQ(zanSetLayerProperty(layer, ZAN_LAYER_USER1, nullptr, 4, 0), ZAN_ERR_ARG);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_USER1), 0);
  const int64_t wide = 0x100000009;
  EXPECT_EQ(zanSetLayerProperty(layer, ZAN_LAYER_USER1, &wide, sizeof wide, 0), 4);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_USER1), 9);
  // A short buffer gets what fits.
  uint16_t half = 0;
  EXPECT_EQ(zanGetLayerProperty(layer, ZAN_LAYER_USER1, &half, sizeof half, nullptr), 2);
  EXPECT_EQ(half, 9);
  // Read-only and get-only identifiers fall through to the generic store.
  EXPECT_EQ(zanSetLayerProperty(layer, ZAN_LAYER_TILECOUNT, "abcd", 4, 0), 4);
  EXPECT_EQ(layerValue(layer, ZAN_LAYER_TILECOUNT), 1) << "the hook still answers the get";
  zanDestroyLayer(layer);
}

TEST_F(Properties, ZeroAndForeignHandlesGiveNeutralResults) {
  int32_t out = 5;
  char buffer[4] = {};
  EXPECT_EQ(zanGetLayerProperty(0, 1, buffer, 4, &out), 0);
  EXPECT_EQ(out, 0);
  EXPECT_EQ(zanSetLayerProperty(0, 1, "a", 1, 0), 0);
  EXPECT_EQ(zanEnumLayerProperties(0, collect, nullptr), 0);
  const zanHandle picture = newPicture();
  EXPECT_EQ(zanSetLayerProperty(picture, 1, "a", 1, 0), 0) << "a picture is not a layer";
  EXPECT_EQ(zanGetPictureProperty(picture, 1, buffer, 4, nullptr), 0);
  const zanHandle block = zanHeapAlloc(0, 64, ZAN_HEAP_ZEROINIT);  // not an object at all
  EXPECT_EQ(zanSetPictureProperty(block, 1, "a", 1, 0), 0);
  zanHeapFree(0, block);
  zanDestroyPicture(picture);
}

}  // namespace
