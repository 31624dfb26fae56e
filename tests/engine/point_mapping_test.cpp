// Mapping points between picture, layer and view coordinates.
#include "point_mapping.h"

#include <gtest/gtest.h>

namespace {

using tessaly::engine::PointMapping;

std::vector<int32_t> flat(const POINT* p, int n) {
  std::vector<int32_t> v;
  for (int i = 0; i < n; ++i) v.insert(v.end(), {p[i].x, p[i].y});
  return v;
}

TEST(PointMapping, ZoomAndScrollTruncateTowardZeroBothWays) {
  const PointMapping view{10, 0, 1, 2};  // scroll (10, 0), zoom 1/2
  POINT points[2] = {{100, 40}, {101, 41}};
  view.forward(points, 2);
  EXPECT_EQ(flat(points, 2), (std::vector<int32_t>{40, 20, 40, 20}));
  view.inverse(points, 2);
  EXPECT_EQ(flat(points, 2), (std::vector<int32_t>{100, 40, 100, 40}));

  POINT negative[1] = {{-3, -5}};
  PointMapping{0, 0, 1, 2}.forward(negative, 1);
  EXPECT_EQ(flat(negative, 1), (std::vector<int32_t>{-1, -2})) << "toward zero, not down";
}

TEST(PointMapping, LayersOnlyMoveTheOriginAndRectanglesMapAsTwoCorners) {
  const PointMapping layer = tessaly::engine::layerMapping(30, -7);
  const RECT inLayer = layer.forward(RECT{30, -7, 40, 3});
  EXPECT_EQ((std::vector<int32_t>{inLayer.left, inLayer.top, inLayer.right, inLayer.bottom}),
            (std::vector<int32_t>{0, 0, 10, 10}));
  const RECT back = layer.inverse(inLayer);
  EXPECT_EQ((std::vector<int32_t>{back.left, back.top, back.right, back.bottom}),
            (std::vector<int32_t>{30, -7, 40, 3}));
  // Large values clamp instead of wrapping; a zero divisor leaves the points alone.
  POINT far[1] = {{INT32_MAX, INT32_MIN}};
  PointMapping{-10, 10, 1, 1}.forward(far, 1);
  EXPECT_EQ(flat(far, 1), (std::vector<int32_t>{INT32_MAX, INT32_MIN}));
  POINT same[1] = {{5, 6}};
  PointMapping{0, 0, 1, 0}.forward(same, 1);
  PointMapping{0, 0, 0, 1}.inverse(same, 1);
  PointMapping{}.forward(nullptr, 3);
  EXPECT_EQ(flat(same, 1), (std::vector<int32_t>{5, 6}));
}

}  // namespace
