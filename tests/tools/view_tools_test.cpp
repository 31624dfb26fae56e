// Zooming about an anchor keeps the anchor over its picture point, in real arithmetic; panning
// follows the pointer and stays within the zoomed picture.
#include "tools_fixture.h"

using namespace tessaly::tools::test;

namespace {

class ViewTools : public ToolsTest {
 protected:
  void SetUp() override {
    ToolsTest::SetUp();
    picture_ = zanCreatePicture(nullptr);
    const int32_t width = 1000, height = 800;
    zanSetPictureProperty(picture_, ZAN_PICT_WIDTH, &width, 4, 0);
    zanSetPictureProperty(picture_, ZAN_PICT_HEIGHT, &height, 4, 0);
    view_ = zanCreateView(0, nullptr);
    zanSetViewProperty(view_, ZAN_VIEW_PICTURE, &picture_, 4, 0);
    const RECT area{0, 0, 200, 100};
    zanSetViewProperty(view_, ZAN_VIEW_RECT, &area, sizeof area, 0);
  }
  void TearDown() override {
    matPanProc(view_, 0x202, 0, 0);  // no drag outlives a test
    zanDestroyView(view_);
    zanDestroyPicture(picture_);
    ToolsTest::TearDown();
  }
  POINT scroll() {
    POINT s{};
    zanGetViewProperty(view_, ZAN_VIEW_SCROLL, &s, sizeof s, nullptr);
    return s;
  }
  void setScroll(POINT s) { zanSetViewProperty(view_, ZAN_VIEW_SCROLL, &s, sizeof s, 0); }
  static intptr_t at(int x, int y) { return (x & 0xFFFF) | ((y & 0xFFFF) << 16); }

  zanHandle picture_ = 0;
  zanHandle view_ = 0;
};

TEST_F(ViewTools, ZoomKeepsTheAnchorOverItsPicturePoint) {
  setScroll(POINT{10, 20});
  const int32_t twice[2] = {2, 1};
  const POINT anchor{50, 40};
  ASSERT_EQ(matZoomView(view_, twice, &anchor), 1);
  // Picture point under the anchor: (50 + 10, 40 + 20) at 1/1 = (60, 60); at 2/1 the anchor
  // needs scroll (70, 80).
  EXPECT_EQ(scroll().x, 70);
  EXPECT_EQ(scroll().y, 80);
  int32_t zoom[2] = {};
  zanGetViewProperty(view_, ZAN_VIEW_ZOOM, zoom, sizeof zoom, nullptr);
  EXPECT_EQ(zoom[0], 2);
  EXPECT_EQ(zoom[1], 1);
  // Ratios whose quotients are not whole: integer division would make e or f 0.
  const int32_t threeHalves[2] = {3, 1};
  const int32_t oneThird[2] = {1, 3};
  ASSERT_EQ(matZoomView(view_, oneThird, &anchor), 1);
  // e = 1/2, f = 3: ((0.5 - 3) x 50 + 0.5 x 70) / 3 = -30, truncated toward zero.
  EXPECT_EQ(scroll().x, -30);
  ASSERT_EQ(matZoomView(view_, threeHalves, nullptr), 1);
  EXPECT_EQ(scroll().x, -30) << "no anchor: the scroll stays";
  setScroll(POINT{5, 5});
  ASSERT_EQ(matZoomView(view_, threeHalves, &anchor), 1);
  EXPECT_EQ(scroll().x, 5) << "an unchanged zoom changes nothing";
  const int32_t zero[2] = {0, 1};
  EXPECT_EQ(matZoomView(view_, zero, &anchor), 0);
  EXPECT_EQ(matZoomView(0, twice, &anchor), 0);
}

TEST_F(ViewTools, PanningFollowsThePointerWithinTheZoomedPicture) {
  EXPECT_EQ(matPanProc(view_, 0x200, 0, at(5, 5)), 0) << "a move without a drag does nothing";
  EXPECT_EQ(matPanProc(view_, 0x201, 0, at(100, 50)), 0);
  EXPECT_EQ(matPanProc(view_, 0x200, 0, at(90, 45)), 1);
  EXPECT_EQ(scroll().x, 10);
  EXPECT_EQ(scroll().y, 5);
  EXPECT_EQ(matPanProc(view_, 0x200, 0, at(95, 60)), 1);
  EXPECT_EQ(scroll().x, 5);
  EXPECT_EQ(scroll().y, 5) << "below 0 keeps the old value";
  EXPECT_EQ(matPanProc(view_, 0x200, 0, at(-2000, -2000)), 1);
  EXPECT_EQ(scroll().x, 800) << "the zoomed width 1000 less the view's 200";
  EXPECT_EQ(scroll().y, 700);
  EXPECT_EQ(matPanProc(view_, 0x202, 0, at(-2000, -2000)), 1);
  EXPECT_EQ(matPanProc(view_, 0x200, 0, at(0, 0)), 0) << "the drag ended";
  EXPECT_EQ(matPanProc(view_, 0x100, 0, at(0, 0)), 0);
  // A click without a move does not pan.
  EXPECT_EQ(matPanProc(view_, 0x201, 0, at(10, 10)), 0);
  EXPECT_EQ(matPanProc(view_, 0x202, 0, at(0, 0)), 0);
  // A view larger than the zoomed picture keeps its scroll.
  const int32_t tiny[2] = {1, 10};
  matZoomView(view_, tiny, nullptr);
  setScroll(POINT{3, 3});
  matPanProc(view_, 0x201, 0, at(50, 50));
  EXPECT_EQ(matPanProc(view_, 0x200, 0, at(40, 40)), 1);
  EXPECT_EQ(scroll().x, 3);
}

}  // namespace
