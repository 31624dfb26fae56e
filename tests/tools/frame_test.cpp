// The calling frame shared by every operation: progress reaches the end exactly once, a cancel
// at any report stops the operation with its cancel reason and leaves nothing behind, and bad
// arguments and layouts are refused with their reasons.
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "tools_fixture.h"
#include "zanHeap.h"

namespace tessaly::tools::test {
namespace {

class FrameTest : public ToolsTest {};

using Operation = std::function<zanHandle(zanHandle, const ToolProgress*, int32_t*)>;

struct Named {
  std::string name;
  Operation run;
  int32_t cancelReason = MAT_ERR_FAILED;
};

std::vector<Named> operations() {
  static BriContParams bc{10, 20, 0};
  static ToneAdjustParams ta{10, 20, -10, 0};
  static HueSatParams hs{30, 20};
  static RotateParams quarter{90, 0, 0, 0, 0, 0, 0, 0};
  static RotateParams small{7, 0, 0, 0, 0, 0, 0, 0};
  static FlipParams flip{1};
  static ResizeRatio half{1, 2, 2, 3, 1};
  static ResizeRatio grow{3, 2, 5, 3, 0};
  return {
      {"BriAndCont", [](auto l, auto p, auto e) { return matBriAndCont(l, &bc, p, e); }},
      {"ToneAdjustment", [](auto l, auto p, auto e) { return matToneAdjustment(l, &ta, p, e); }},
      {"HueAndSaturation",
       [](auto l, auto p, auto e) { return matHueAndSaturation(l, &hs, p, e); }},
      {"AutoLevel", matAutoLevel},
      {"AutoContrast", matAutoContrast},
      {"Equalization", matEqualization},
      {"AutoColor", matAutoColor},
      {"Convert", [](auto l, auto p, auto e) { return matConvertLayer(l, 3, p, e); }},
      {"QuarterTurn", [](auto l, auto p, auto e) { return matRotateLayer(l, &quarter, p, e); }},
      {"Rotate", [](auto l, auto p, auto e) { return matRotateLayer(l, &small, p, e); },
       MAT_ERR_CANCELLED},
      {"Flip", [](auto l, auto p, auto e) { return matFlipLayer(l, &flip, p, e); }},
      {"Shrink", [](auto l, auto p, auto e) { return matResize(l, &half, p, e); }},
      {"Grow", [](auto l, auto p, auto e) { return matResize(l, &grow, p, e); }},
  };
}

TEST_F(FrameTest, ProgressEndsOnceAndEveryCancelStops) {
  const Pixels source = makePixels(45, 37, 3, [](int32_t x, int32_t y, int32_t b) {
    return 30 + (x * 3 + y * 5 + b * 40) % 190;
  });
  const zanHandle plain = makeLayer(source, 24);
  // The same pixels with a mask: operations that carry it through take a second pass.
  const zanHandle masked = makeLayer(source, 24);
  zanLayerAttachMask(masked, makeLayer(patternPixels(45, 37, 1), 8));
  for (const auto& [layer, op] : [&] {
         std::vector<std::pair<zanHandle, Named>> runs;
         for (const Named& op : operations())
           for (const zanHandle layer : {plain, masked}) runs.emplace_back(layer, op);
         return runs;
       }()) {
    ProgressLog log;
    const ToolProgress progress = log.record();
    int32_t error = -1;
    {
      Result whole(op.run(layer, &progress, &error));
      ASSERT_EQ(error, MAT_OK) << op.name;
    }
    ASSERT_FALSE(log.values.empty()) << op.name;
    EXPECT_EQ(std::count(log.values.begin(), log.values.end(), 1100), 1) << op.name;
    EXPECT_EQ(log.values.back(), 1100) << op.name;
    EXPECT_TRUE(std::is_sorted(log.values.begin(), log.values.end())) << op.name;
    EXPECT_GE(log.values.front(), 100) << op.name;
    const auto reports = static_cast<int32_t>(log.values.size());
    for (int32_t k = 0; k < reports; ++k) {
      ProgressLog cancelling;
      cancelling.cancelAfter = k;
      const ToolProgress stop = cancelling.record();
      error = -1;
      EXPECT_EQ(op.run(layer, &stop, &error), 0u) << op.name << " cancelled after " << k;
      EXPECT_EQ(error, op.cancelReason) << op.name;
    }
  }
  for (const zanHandle layer : {plain, masked}) {
    EXPECT_EQ(readLayer(layer).bytes, source.bytes) << "no operation changes its source";
    zanDestroyLayer(layer);
  }
}

TEST_F(FrameTest, BadArgumentsAndLayoutsAreRefusedWithTheirReasons) {
  int32_t error = -1;
  BriContParams bc{};
  EXPECT_EQ(matBriAndCont(0, &bc, nullptr, &error), 0u);
  EXPECT_EQ(error, MAT_ERR_ARG);
  const zanHandle colour = makeLayer(patternPixels(8, 8, 3), 24);
  EXPECT_EQ(matBriAndCont(colour, nullptr, nullptr, &error), 0u);
  EXPECT_EQ(error, MAT_ERR_ARG);
  ResizeRatio zero{1, 0, 1, 1, 0};
  EXPECT_EQ(matResize(colour, &zero, nullptr, &error), 0u);
  EXPECT_EQ(error, MAT_ERR_ARG);

  const zanHandle deep = makeLayer(patternPixels(8, 8, 6), 48);
  EXPECT_EQ(matSepia(deep, nullptr, &error), 0u);
  EXPECT_EQ(error, MAT_ERR_LAYOUT);
  RotateParams small{10, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(matRotateLayer(deep, &small, nullptr, &error), 0u);
  EXPECT_EQ(error, MAT_ERR_LAYOUT);
  Result bytewise(matBriAndCont(deep, &bc, nullptr, &error));
  EXPECT_EQ(error, MAT_OK) << "48-bit samples map byte by byte";

  // An 8-bit layer with a palette is indexed, not grey.
  const zanHandle indexed = makeLayer(patternPixels(8, 8, 1), 8);
  const zanHandle palette = zanHeapAlloc(0, 1024, 0);
  const auto value = static_cast<int32_t>(palette);
  zanSetLayerProperty(indexed, ZAN_LAYER_PALETTE, &value, 4, 0);
  EXPECT_EQ(matAutoLevel(indexed, nullptr, &error), 0u);
  EXPECT_EQ(error, MAT_ERR_LAYOUT);
  Result inverted(matNegative(indexed, nullptr, &error));
  EXPECT_EQ(error, MAT_OK);
  EXPECT_NE(layerValue(inverted.layer, ZAN_LAYER_PALETTE), value) << "the copy has its own";
  EXPECT_NE(layerValue(inverted.layer, ZAN_LAYER_PALETTE), 0);
  zanDestroyLayer(indexed);
  zanDestroyLayer(deep);
  zanDestroyLayer(colour);
}

TEST_F(FrameTest, ExportedFramesRunCallersOperations) {
  const Pixels source = patternPixels(40, 35, 3);
  const zanHandle layer = makeLayer(source, 24, 2, 3);
  ToolCall call{nullptr, 0, 0, nullptr};
  const ToolPixelProc invert = [](BlockHeader* out, BlockHeader* in, int32_t, void*) -> int32_t {
    for (int32_t y = 0; y < in->bottom - in->top; ++y) {
      for (int32_t x = 0; x < 3 * (in->right - in->left); ++x) {
        out->data[y * out->stride + x] = 255 - in->data[y * in->stride + x];
      }
    }
    return 1;
  };
  Result inverted(MatProc_PixelUnCorrelation_Layer(layer, invert, &call, 0));
  Result direct(matNegative(layer, nullptr, nullptr));
  EXPECT_EQ(readLayer(inverted.layer).bytes, readLayer(direct.layer).bytes);
  EXPECT_EQ(call.done, 9) << "3 x 3 tiles of 16";
  const ToolPixelProc failing = [](BlockHeader*, BlockHeader*, int32_t, void*) { return 0; };
  EXPECT_EQ(MatProc_PixelUnCorrelation_Layer(layer, failing, &call, 0), 0u);

  // A 3 x 3 box sum on the blue channel needs one pixel of context all round.
  TileFilter box{nullptr, 1, 1, 1, nullptr, nullptr};
  box.filter = [](unsigned char* out, unsigned char* in, const RECT* area, const RECT* tile,
                  int32_t, int32_t* inPlace, void*) -> int32_t {
    const int32_t w = area->right - area->left, h = area->bottom - area->top;
    const int32_t stride = (3 * w + 3) & ~3;
    for (int32_t y = tile->top; y < tile->bottom; ++y) {
      for (int32_t x = tile->left; x < tile->right; ++x) {
        int sum = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            const int sx = std::clamp(x + dx - area->left, 0, w - 1);
            const int sy = std::clamp(y + dy - area->top, 0, h - 1);
            sum += in[sy * stride + 3 * sx];
          }
        }
        out[(y - area->top) * stride + 3 * (x - area->left)] = static_cast<unsigned char>(sum / 9);
      }
    }
    *inPlace = 0;
    return 1;
  };
  Result boxed(MatProc_PixelCorrelation_Layer(layer, &box));
  const Pixels p = readLayer(boxed.layer);
  for (int32_t y = 0; y < source.height; ++y) {
    for (int32_t x = 0; x < source.width; ++x) {
      int sum = 0;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          sum += source.at(std::clamp(x + dx, 0, 39), std::clamp(y + dy, 0, 34))[0];
        }
      }
      ASSERT_EQ(p.at(x, y)[0], sum / 9) << x << "," << y;
    }
  }
  zanDestroyLayer(layer);
}

}  // namespace
}  // namespace tessaly::tools::test
