// The crop tool's arithmetic: paper presets and their rectangles, the rules for offering
// presets and applying, the pointer zones, drags, snapping and the mask's layout.
#include <gtest/gtest.h>

#include "crop_drag.h"
#include "crop_mask.h"
#include "crop_presets.h"
#include "crop_rules.h"

namespace {

using namespace tessaly::app;

TEST(CropPresets, APictureMatchesThePaperWithinOneAndAHalfInchInEitherOrientation) {
  EXPECT_EQ(pictureCropPreset(2340, 3300, 200, 200), 1);
  EXPECT_EQ(pictureCropPreset(2340, 3300, 300, 300), 0);
  EXPECT_EQ(pictureCropPreset(3300, 2340, 200, 200), 1) << "landscape";
  // Each side is measured at its own direction's resolution.
  EXPECT_EQ(pictureCropPreset(2340, 4950, 200, 300), 1);
  EXPECT_EQ(pictureCropPreset(4950, 2340, 300, 200), 1);
  // 12 x 12 inches at 100 ppi: 1.49 inches off matches, 1.50 and 1.51 do not.
  EXPECT_EQ(pictureCropPreset(1349, 1200, 100, 100), 3);
  EXPECT_EQ(pictureCropPreset(1350, 1200, 100, 100), 0);
  EXPECT_EQ(pictureCropPreset(1351, 1200, 100, 100), 0);
  EXPECT_EQ(pictureCropPreset(1200, 1051, 100, 100), 3);
  EXPECT_EQ(pictureCropPreset(1200, 1050, 100, 100), 0);
  EXPECT_EQ(pictureCropPreset(0, 0, 100, 100), 0);
  EXPECT_EQ(cropPresetSize(2).width, 850);
  EXPECT_EQ(cropPresetSize(2).height, 1400);
  EXPECT_EQ(cropPresetSize(0).width, 0) << "the custom size is not a paper";
}

TEST(CropPresets, RectanglesTakeEachSideFromItsOwnResolutionInBothOrientations) {
  // Landscape picture, 300 ppi across and 200 down: 16.5 inches wide at 300, 11.7 high at 200.
  EXPECT_EQ(cropPresetRectangle(1, {}, 6000, 3000, 300, 200), QRect(525, 330, 4950, 2340));
  // Portrait: 11.7 inches wide at 300 (3510, cut to 3000), 16.5 high at 200 (3300), centred.
  EXPECT_EQ(cropPresetRectangle(1, {}, 3000, 6000, 300, 200), QRect(0, 1350, 3000, 3300));
  EXPECT_EQ(cropPresetPixels(1, {}, 3000, 6000, 300, 200), QSize(3510, 3300)) << "before the cut";
  // Too large both ways: the whole picture.
  EXPECT_EQ(cropPresetRectangle(3, {}, 1000, 800, 300, 300), QRect(0, 0, 1000, 800));
  // The custom size, and the default for a side that is not positive.
  EXPECT_EQ(cropPresetRectangle(0, {1000, 500}, 4000, 4000, 100, 200),
            QRect(1500, 1500, 1000, 1000));
  EXPECT_EQ(cropPresetRectangle(0, {0, -3}, 4000, 4000, 100, 100), QRect(1400, 1400, 1200, 1200));
  EXPECT_TRUE(cropPresetRectangle(1, {}, 0, 100, 100, 100).isEmpty());
}

TEST(CropRules, PresetsAreOfferedWhenOwnOrWhenTheyFitUncut) {
  const QSize picture(2340, 3300);
  EXPECT_TRUE(cropPresetOffered(1, 1, picture, 200, 200));
  EXPECT_TRUE(cropPresetOffered(2, 1, picture, 200, 200)) << "1700 x 2800 fits";
  EXPECT_FALSE(cropPresetOffered(3, 1, picture, 200, 200)) << "2400 is wider than 2340";
  EXPECT_TRUE(cropPresetOffered(0, 1, picture, 200, 200));
  // A picture a little smaller than its own paper still offers it.
  EXPECT_TRUE(cropPresetOffered(1, 1, QSize(2300, 3250), 200, 200));
  EXPECT_FALSE(cropPresetOffered(1, 0, QSize(2300, 3250), 200, 200));
}

TEST(CropRules, ApplyNeedsPixelsAndFiveHundredInOneDirection) {
  EXPECT_FALSE(cropMayBeApplied(QRect(0, 0, 500, 0))) << "empty however long";
  EXPECT_FALSE(cropMayBeApplied(QRect(0, 0, 0, 900)));
  EXPECT_FALSE(cropMayBeApplied(QRect(0, 0, 499, 499)));
  EXPECT_FALSE(cropMayBeApplied(QRect()));
  EXPECT_TRUE(cropMayBeApplied(QRect(0, 0, 500, 1)));
  EXPECT_TRUE(cropMayBeApplied(QRect(7, 9, 1, 500)));
}

TEST(CropRules, TheCustomSizeIsInHundredthsAtEachDirectionsResolution) {
  const PaperSize size = customCropSize(QRect(0, 0, 600, 400), 300, 200);
  EXPECT_EQ(size.width, 200);
  EXPECT_EQ(size.height, 200);
  EXPECT_EQ(customCropSize(QRect(0, 0, 600, 0), 300, 200).width, 0) << "nothing for empty";
}

// The rectangle on screen from (100, 100) to (300, 200), exclusive.
const QRect kOnScreen(100, 100, 200, 100);

TEST(CropZones, NineZonesAroundTheRectangleEachWithItsPointer) {
  const struct {
    QPoint at;
    int zone;
    Qt::CursorShape cursor;
  } cases[] = {
      {{100, 100}, kZoneTopLeft, Qt::SizeFDiagCursor},
      {{200, 100}, kZoneTop, Qt::SizeVerCursor},
      {{300, 100}, kZoneTopRight, Qt::SizeBDiagCursor},
      {{100, 150}, kZoneLeft, Qt::SizeHorCursor},
      {{200, 150}, kZoneInside, Qt::SizeAllCursor},
      {{300, 150}, kZoneRight, Qt::SizeHorCursor},
      {{100, 200}, kZoneBottomLeft, Qt::SizeBDiagCursor},
      {{200, 200}, kZoneBottom, Qt::SizeVerCursor},
      {{300, 200}, kZoneBottomRight, Qt::SizeFDiagCursor},
      {{95, 105}, kZoneTopLeft, Qt::SizeFDiagCursor},  // within half a handle
      {{305, 204}, kZoneBottomRight, Qt::SizeFDiagCursor},
      {{94, 150}, kNoZone, Qt::ArrowCursor},  // six pixels off the edge
      {{200, 206}, kNoZone, Qt::ArrowCursor},
      {{50, 50}, kNoZone, Qt::ArrowCursor},
  };
  for (const auto& c : cases) {
    const int zone = cropZoneAt(kOnScreen, c.at, false);
    EXPECT_EQ(zone, c.zone) << c.at.x() << "," << c.at.y();
    EXPECT_EQ(cropZoneCursor(zone), c.cursor) << c.at.x() << "," << c.at.y();
  }
}

TEST(CropZones, ALockedSizeOnlyMoves) {
  EXPECT_EQ(cropZoneAt(kOnScreen, {100, 100}, true), kZoneInside);
  EXPECT_EQ(cropZoneAt(kOnScreen, {200, 150}, true), kZoneInside);
  EXPECT_EQ(cropZoneAt(kOnScreen, {300, 150}, true), kNoZone) << "right is exclusive";
  EXPECT_EQ(cropZoneAt(kOnScreen, {95, 150}, true), kNoZone);
}

// Drags on a 1000 x 800 picture of the rectangle from (100, 100) to (500, 400).
const QSize kPicture(1000, 800);
const QRect kRect(100, 100, 400, 300);

QRect dragged(int zone, QPoint from, QPoint to) {
  return dragCropRectangle(beginCropDrag(zone, kRect, from, kPicture), to, kPicture);
}

TEST(CropDrags, TheInsideMovesTheRectangleKeptInThePicture) {
  EXPECT_EQ(dragged(kZoneInside, {300, 250}, {350, 270}), QRect(150, 120, 400, 300));
  EXPECT_EQ(dragged(kZoneInside, {300, 250}, {2000, -500}), QRect(600, 0, 400, 300));
  EXPECT_EQ(dragged(kZoneInside, {300, 250}, {-900, 2000}), QRect(0, 500, 400, 300));
}

TEST(CropDrags, EdgesAndCornersMoveTheirSidesNormalisedAndClipped) {
  EXPECT_EQ(dragged(kZoneLeft, {100, 250}, {50, 999}), QRect(50, 100, 450, 300))
      << "an edge moves one side only";
  EXPECT_EQ(dragged(kZoneTopLeft, {100, 100}, {-50, -50}), QRect(0, 0, 500, 400));
  EXPECT_EQ(dragged(kZoneBottomRight, {500, 400}, {2000, 2000}), QRect(100, 100, 900, 700));
  EXPECT_EQ(dragged(kZoneTop, {300, 100}, {300, 101}), QRect(100, 101, 400, 299));
  EXPECT_EQ(dragged(kZoneRight, {500, 300}, {500, 300}), kRect) << "no move, no change";

  // Past the opposite side the rectangle turns over and the pointer holds the other side.
  const CropDrag left = beginCropDrag(kZoneLeft, kRect, {100, 250}, kPicture);
  EXPECT_EQ(dragCropRectangle(left, {700, 250}, kPicture), QRect(500, 100, 200, 300));
  EXPECT_EQ(draggedCropZone(left, {700, 250}), kZoneRight);
  const CropDrag top = beginCropDrag(kZoneTop, kRect, {300, 100}, kPicture);
  EXPECT_EQ(dragCropRectangle(top, {300, 450}, kPicture), QRect(100, 400, 400, 50));
  EXPECT_EQ(draggedCropZone(top, {300, 450}), kZoneBottom);
  const CropDrag corner = beginCropDrag(kZoneBottomRight, kRect, {500, 400}, kPicture);
  EXPECT_EQ(dragCropRectangle(corner, {50, 50}, kPicture), QRect(50, 50, 50, 50));
  EXPECT_EQ(draggedCropZone(corner, {50, 50}), kZoneTopLeft);
}

TEST(CropDrags, ANewRectangleStartsAtThePressAndItsCornerFollowsTheDirection) {
  const CropDrag fresh = beginCropDrag(kNoZone, kRect, {600, 600}, kPicture);
  EXPECT_TRUE(dragCropRectangle(fresh, {600, 600}, kPicture).isEmpty());
  const struct {
    QPoint to;
    QRect rect;
    int zone;
  } cases[] = {
      {{500, 500}, QRect(500, 500, 100, 100), kZoneTopLeft},
      {{700, 500}, QRect(600, 500, 100, 100), kZoneTopRight},
      {{500, 700}, QRect(500, 600, 100, 100), kZoneBottomLeft},
      {{700, 700}, QRect(600, 600, 100, 100), kZoneBottomRight},
      {{-5, 900}, QRect(0, 600, 600, 200), kZoneBottomLeft},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(dragCropRectangle(fresh, c.to, kPicture), c.rect) << c.to.x() << "," << c.to.y();
    EXPECT_EQ(draggedCropZone(fresh, c.to), c.zone) << c.to.x() << "," << c.to.y();
  }
  // A press outside the picture starts at its nearest point.
  const CropDrag outside = beginCropDrag(kNoZone, kRect, {1200, -40}, kPicture);
  EXPECT_EQ(outside.start, QRect(1000, 0, 0, 0));
}

// A 1000 x 800 picture shown at a quarter of its size from (10, 20).
const CropScreen kQuarter{QRect(10, 20, 250, 200), QSize(1000, 800)};

TEST(CropScreenMapping, PicturePixelsAndViewPixelsAndTheSnapToTheWholePicture) {
  EXPECT_EQ(kQuarter.toPicture({135, 120}), QPoint(500, 400));
  EXPECT_EQ(kQuarter.toView(QRect(100, 200, 400, 400)), QRect(35, 70, 100, 100));
  // One pixel short of each edge looks like the whole picture on screen: it becomes exact.
  EXPECT_EQ(snapCropRectangle(QRect(1, 1, 998, 798), kQuarter), QRect(0, 0, 1000, 800));
  // Short of the left edge by a screen pixel: only the height snaps.
  EXPECT_EQ(snapCropRectangle(QRect(5, 1, 990, 798), kQuarter), QRect(5, 0, 990, 800));
  EXPECT_EQ(snapCropRectangle(QRect(100, 100, 300, 300), kQuarter), QRect(100, 100, 300, 300));
  EXPECT_FALSE(CropScreen{}.valid());
}

TEST(CropMaskLayouts, FourPanelsAroundTheRectangleWithEdgesAndHandles) {
  const CropMaskLayout layout = layoutCropMask(QSize(400, 300), QRect(100, 50, 200, 100));
  EXPECT_EQ(layout.top, QRect(0, 0, 400, 50));
  EXPECT_EQ(layout.bottom, QRect(0, 150, 400, 150));
  EXPECT_EQ(layout.left, QRect(0, 50, 100, 100));
  EXPECT_EQ(layout.right, QRect(300, 50, 100, 100));
  EXPECT_EQ(layout.borders[0], QRect(100, 49, 200, 2));
  EXPECT_EQ(layout.borders[3], QRect(299, 50, 2, 100));
  EXPECT_EQ(layout.handles[0], QRect(95, 45, 10, 10));
  EXPECT_EQ(layout.handles[1], QRect(195, 45, 10, 10));
  EXPECT_EQ(layout.handles[7], QRect(295, 145, 10, 10));
  // A rectangle beyond the panel leaves no mask.
  const CropMaskLayout all = layoutCropMask(QSize(400, 300), QRect(-10, -10, 500, 400));
  for (const QRect& panel : {all.top, all.left, all.right, all.bottom}) {
    EXPECT_TRUE(panel.isEmpty());
  }
}

}  // namespace
