// Applying an arrangement with QXChangeOrder, and the turn pre-pass and reload that start
// QXAutoAlign.
#include <gtest/gtest.h>

#include <filesystem>

#include "session.h"
#include "session_fixture.h"
#include "turn.h"

namespace {

using tessaly::stitch::test::Arrangement;
using tessaly::stitch::test::Picture;

tessaly::stitch::Session& internals(void* handle) {
  return *static_cast<tessaly::stitch::Session*>(handle);
}

class ArrangementTest : public tessaly::stitch::test::SessionTest {
 protected:
  // Three 400 x 300 pieces (three levels: miniatures are 100 x 75), loaded in order a, b, c.
  void SetUp() override {
    for (int i = 0; i < 3; ++i) {
      pictures_.push_back(tessaly::stitch::test::makeTexturedPage(400, 300, 100 + i));
      names_.push_back(addPiece(std::string(1, char('a' + i)) + ".bmp", pictures_.back(), i));
    }
  }
  Picture miniature(int cell) {
    tagPixelArray* minis[3] = {};
    EXPECT_EQ(QXGetMiniatures(session_, minis), QX_OK);
    return Picture::fromArray(*minis[cell]);
  }

  std::vector<Picture> pictures_;
  std::vector<std::string> names_;
};

TEST_F(ArrangementTest, PlacesAndTurnsMiniaturesCellByCell) {
  open(0);
  ASSERT_EQ(load(), QX_OK);
  Arrangement order(3, 1, {names_[2], names_[0], names_[1]}, {0, 1, 2});
  ASSERT_EQ(QXChangeOrder(session_, &order.info), QX_OK);
  const tessaly::stitch::Session& s = internals(session_);
  EXPECT_EQ(s.rows, 3);
  EXPECT_EQ(s.columns, 1);
  EXPECT_EQ(s.workingNames, (std::vector<std::string>{names_[2], names_[0], names_[1]}));
  EXPECT_TRUE(miniature(0).samePixels(tessaly::stitch::test::halvedTimes(pictures_[2], 2)));
  EXPECT_TRUE(miniature(1).samePixels(tessaly::stitch::test::turnByElementarySteps(
      tessaly::stitch::test::halvedTimes(pictures_[0], 2), 1)));
  EXPECT_TRUE(miniature(2).samePixels(tessaly::stitch::test::turnByElementarySteps(
      tessaly::stitch::test::halvedTimes(pictures_[1], 2), 2)));
  EXPECT_EQ(s.pieces[1].quarterTurns, 1);
}

TEST_F(ArrangementTest, AnUnknownNameRepeatsThePreviousCellsPiece) {
  open(0);
  ASSERT_EQ(load(), QX_OK);
  Arrangement order(1, 3, {"nowhere", names_[2], "elsewhere"}, {0, 0, 0});
  ASSERT_EQ(QXChangeOrder(session_, &order.info), QX_OK);
  EXPECT_EQ(internals(session_).workingNames,
            (std::vector<std::string>{names_[0], names_[2], names_[2]}));
}

TEST_F(ArrangementTest, RejectsGridsThatDoNotHoldEveryPieceAndBadTurnCodes) {
  open(0);
  ASSERT_EQ(load(), QX_OK);
  Arrangement tooBig(2, 2, {names_[0], names_[1], names_[2], names_[0]}, {0, 0, 0, 0});
  EXPECT_EQ(QXChangeOrder(session_, &tooBig.info), QX_ERR_INPUT);
  Arrangement badTurn(1, 3, {names_[0], names_[1], names_[2]}, {0, 4, 0});
  EXPECT_EQ(QXChangeOrder(session_, &badTurn.info), QX_ERR_INPUT);
  EXPECT_EQ(internals(session_).pieces[1].quarterTurns, 0);  // nothing applied
  EXPECT_EQ(QXChangeOrder(session_, nullptr), QX_ERR_SETUP);
  EXPECT_EQ(QXChangeOrder(nullptr, &badTurn.info), QX_ERR_SETUP);
}

TEST_F(ArrangementTest, AlignmentTurnsPiecesIntoTheStoreAndReloadsEveryLevel) {
  open(0, 1);  // half-size output: alignment keeps level 1 as well as the miniatures
  ASSERT_EQ(load(), QX_OK);
  Arrangement order(1, 3, {names_[0], names_[1], names_[2]}, {0, 1, 0});
  ASSERT_EQ(QXChangeOrder(session_, &order.info), QX_OK);
  loader_.clearPositions();
  ASSERT_EQ(QXAutoAlign(session_), QX_OK);

  const tessaly::stitch::Session& s = internals(session_);
  // The turned piece now comes from a BMP in the store, read back the right way up.
  EXPECT_EQ(s.workingNames[1].rfind(dir_.storeFolder(), 0), 0u) << s.workingNames[1];
  EXPECT_TRUE(std::filesystem::exists(s.workingNames[1]));
  EXPECT_EQ(s.pieces[1].quarterTurns, 0);
  EXPECT_EQ(s.pieces[1].fullWidth, 300);
  EXPECT_EQ(s.pieces[1].fullHeight, 400);
  const Picture turned = tessaly::stitch::test::turnByElementarySteps(pictures_[1], 1);
  EXPECT_TRUE(Picture::fromArray(*s.pieces[1].levels[1])
                  .samePixels(tessaly::stitch::test::halvedTimes(turned, 1)));
  EXPECT_TRUE(Picture::fromArray(*s.pieces[1].levels[2])
                  .samePixels(tessaly::stitch::test::halvedTimes(turned, 2)));
  EXPECT_FALSE(s.pieces[0].levels[0]);

  const std::vector<long>& pos = loader_.positions();
  EXPECT_TRUE(std::is_sorted(pos.begin(), pos.end()));
  EXPECT_NE(std::find(pos.begin(), pos.end(), 15), pos.end());
  EXPECT_NE(std::find(pos.begin(), pos.end(), 40), pos.end());
  EXPECT_EQ(pos.back(), 100);

  QXReleaseStitch(session_);
  session_ = nullptr;
  EXPECT_FALSE(std::filesystem::exists(dir_.storeFolder()));
}

TEST_F(ArrangementTest, ReloadStartsAtZeroWhenNothingIsTurnedAndDropsHalfSizeForQuarterOutput) {
  open(0, 2);
  ASSERT_EQ(load(), QX_OK);
  loader_.clearPositions();
  ASSERT_EQ(QXAutoAlign(session_), QX_OK);
  const std::vector<long>& pos = loader_.positions();
  // The call, the pre-pass, the reload and its first piece all start at 0; then the piece loads.
  ASSERT_GE(pos.size(), 5u);
  EXPECT_EQ(std::vector<long>(pos.begin(), pos.begin() + 5), (std::vector<long>{0, 0, 0, 0, 2}));
  const tessaly::stitch::Session& s = internals(session_);
  EXPECT_FALSE(s.pieces[0].levels[1]);
  EXPECT_TRUE(s.pieces[0].levels[2]);
  EXPECT_EQ(s.outputLevel, 2);
}

TEST_F(ArrangementTest, AlignmentHoldsOneCallerImageAndHandsEveryOneBackOnEveryPath) {
  open(0, 1);  // half-size output: refinement never reloads full-resolution pieces
  ASSERT_EQ(load(), QX_OK);
  Arrangement order(1, 3, {names_[0], names_[1], names_[2]}, {2, 0, 3});
  ASSERT_EQ(QXChangeOrder(session_, &order.info), QX_OK);
  loader_.clearPositions();
  ASSERT_EQ(QXAutoAlign(session_), QX_OK);
  EXPECT_EQ(loader_.mostLiveAtOnce(), 1);
  EXPECT_EQ(loader_.loads(), loader_.releases());
  const long reports = loader_.reports();
  const std::vector<long> positions = loader_.positions();

  // Every report of the turn pre-pass and the reload (up to 40), where caller images are in
  // hand; a sample of the search and refinement reports after them.
  const long step = std::max(1L, reports / 20);
  for (long n = 1; n <= reports; ++n) {
    if (positions[n - 1] > 40 && n % step != 0 && n != reports) continue;
    tessaly::stitch::test::TestLoader loader;
    for (int i = 0; i < 3; ++i) loader.add(names_[i], pictures_[i]);
    void* s = loader.createSession(0, 1);
    ASSERT_EQ(QXLoadImages(s, pieces_.count(), pieces_.names.data(), pieces_.sizes.data()), QX_OK);
    ASSERT_EQ(QXChangeOrder(s, &order.info), QX_OK);
    loader.clearPositions();
    loader.cancelAtReport(n);
    const long status = QXAutoAlign(s);
    // The last report (100) is not read for a cancel.
    EXPECT_EQ(status, n < reports ? QX_CANCELLED : QX_OK) << "cancel at report " << n;
    EXPECT_EQ(loader.liveImages(), 0);
    EXPECT_EQ(loader.loads(), loader.releases());
    EXPECT_EQ(loader.mostLiveAtOnce(), 1);
    EXPECT_FALSE(loader.sawBadRelease());
    QXReleaseStitch(s);
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.storeFolder()));
}

TEST_F(ArrangementTest, AReloadFailurePassesTheLoaderCodeAndKeepsTheSessionReleasable) {
  open(0);
  ASSERT_EQ(load(), QX_OK);
  loader_.failOn(names_[2], -9);
  EXPECT_EQ(QXAutoAlign(session_), -9);
  EXPECT_EQ(loader_.liveImages(), 0);
  EXPECT_EQ(loader_.positions().back(), 100);
  EXPECT_EQ(QXAutoBlend(session_, nullptr, nullptr), QX_ERR_SETUP);
}

}  // namespace
