// Skew measurement and turning through QXAutoStraighten on pages the test makes.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "session.h"
#include "session_fixture.h"
#include "text_page.h"

namespace {

using tessaly::stitch::test::Picture;

constexpr double kDegree = std::numbers::pi / 180.0;

class StraightenTest : public tessaly::stitch::test::SessionTest {
 protected:
  void SetUp() override { open(QX_STYLE_ROW); }

  // A 1000 x 1300 text page turned by `degrees` (cut from the middle of a larger page so that
  // the turned page has text up to its edges). Measurement sees it reduced by 2.
  static Picture turnedPage(double degrees, uint32_t seed = 3, int32_t glyph = 24) {
    const Picture page = tessaly::stitch::test::makeTextPage(1400, 1700, seed, glyph);
    return tessaly::stitch::test::cutPiece(page, 700, 850, 1000, 1300, degrees);
  }

  double measure(Picture picture) {
    tagPixelArray view = picture.view();
    double angle = 99;
    EXPECT_EQ(QXAutoStraighten(session_, &view, &angle, nullptr), QX_OK);
    return angle / kDegree;
  }
};

TEST_F(StraightenTest, MeasuresTheTurnOfATextPage) {
  // Small print and large print: 6 and 12 pixel letters once reduced.
  for (const int32_t glyph : {12, 24}) {
    for (const double degrees : {0.0, 0.7, -0.7, 3.2, -3.2, 9.5, -9.5}) {
      EXPECT_NEAR(measure(turnedPage(degrees, 3, glyph)), degrees, 0.15)
          << "turned by " << degrees << ", glyph " << glyph;
    }
  }
}

TEST_F(StraightenTest, FindsTextRunningDownThePage) {
  const Picture across = turnedPage(2.0, 5);
  EXPECT_NEAR(measure(tessaly::stitch::test::turnByElementarySteps(across, 1)), 2.0, 0.15);
}

TEST_F(StraightenTest, PagesWithoutTextLinesGiveZero) {
  Picture blank(800, 1000);
  tessaly::stitch::test::fillBox(blank, 0, 0, 800, 1000, 240);
  EXPECT_EQ(measure(blank), 0.0);

  // A dark block over a third of the page (a photograph, say) decides nothing about the text.
  Picture photo = turnedPage(3.2);
  tessaly::stitch::test::fillBox(photo, 200, 250, 800, 1000, 30);
  EXPECT_EQ(measure(photo), 0.0);
}

TEST_F(StraightenTest, TurningByTheMeasuredAngleLevelsThePage) {
  Picture page = turnedPage(-3.2);
  tagPixelArray view = page.view();
  double angle = 0;
  tagPixelArray* straightened = nullptr;
  ASSERT_EQ(QXAutoStraighten(session_, &view, &angle, &straightened), QX_OK);
  ASSERT_NE(straightened, nullptr);
  EXPECT_EQ(straightened, static_cast<tessaly::stitch::Session*>(session_)->result.get());
  // The turned page holds the whole page with white corners around it.
  EXPECT_GT(straightened->width, page.width + 60);
  EXPECT_GT(straightened->height, page.height + 50);
  const uint8_t* corner = straightened->bits;
  EXPECT_EQ(corner[0] + corner[1] + corner[2], 3 * 255);
  EXPECT_NEAR(measure(Picture::fromArray(*straightened)), 0.0, 0.15);
}

TEST_F(StraightenTest, WithoutAnOutputTheSessionResultStays) {
  Picture page = turnedPage(3.2);
  tagPixelArray view = page.view();
  double angle = 0;
  tagPixelArray* first = nullptr;
  ASSERT_EQ(QXAutoStraighten(session_, &view, &angle, &first), QX_OK);
  EXPECT_EQ(QXAutoStraighten(session_, &view, &angle, nullptr), QX_OK);
  EXPECT_EQ(static_cast<tessaly::stitch::Session*>(session_)->result.get(), first);
  EXPECT_NEAR(angle / kDegree, 3.2, 0.15);
}

TEST_F(StraightenTest, ALevelPageComesBackAsAnIdenticalCopy) {
  Picture blank(300, 200);
  tessaly::stitch::test::fillBox(blank, 0, 0, 300, 200, 200);
  tessaly::stitch::test::fillBox(blank, 10, 20, 40, 60, 10);
  tagPixelArray view = blank.view();
  double angle = 1;
  tagPixelArray* straightened = nullptr;
  ASSERT_EQ(QXAutoStraighten(session_, &view, &angle, &straightened), QX_OK);
  EXPECT_EQ(angle, 0.0);
  EXPECT_NE(straightened->bits, view.bits);
  EXPECT_TRUE(Picture::fromArray(*straightened).samePixels(blank));
}

TEST_F(StraightenTest, RejectsImagesThatAreNotThere) {
  double angle = 1;
  tagPixelArray none{0, 0, 0, nullptr};
  EXPECT_EQ(QXAutoStraighten(session_, &none, &angle, nullptr), QX_ERR_INPUT);
  EXPECT_EQ(angle, 0.0);
  Picture p(10, 10);
  tagPixelArray narrowRows = p.view();
  narrowRows.bytesPerLine = 20;
  EXPECT_EQ(QXAutoStraighten(session_, &narrowRows, &angle, nullptr), QX_ERR_INPUT);
  EXPECT_EQ(QXAutoStraighten(session_, nullptr, &angle, nullptr), QX_ERR_SETUP);
  EXPECT_EQ(QXAutoStraighten(session_, &narrowRows, nullptr, nullptr), QX_ERR_SETUP);
}

}  // namespace
