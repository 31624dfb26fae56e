// QXAutoOrder end to end: pieces cut from one page, loaded in a shuffled order and partly turned
// in their files, must come back in their cells with the turns that set them upright.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "ordering_scene.h"

namespace {

using tessaly::stitch::test::Picture;

tessaly::stitch::Session& internals(void* handle) {
  return *static_cast<tessaly::stitch::Session*>(handle);
}

class AutoOrderTest : public tessaly::stitch::test::OrderingSceneTest {
 protected:
  // Every written candidate names each piece once, and candidate 0 is what the session holds.
  void expectCandidatesConsistent() {
    const tessaly::stitch::Session& s = internals(session_);
    ASSERT_GE(candidateCount_, 1);
    ASSERT_LE(candidateCount_, 5);
    for (long k = 0; k < candidateCount_; ++k) {
      const tagStitchOrderInfo& c = candidates_->records[k];
      EXPECT_EQ(c.rows * c.columns, s.count) << "candidate " << k;
      std::set<std::string> names;
      for (int32_t j = 0; j < s.count; ++j) {
        names.insert(c.fileNames[j]);
        EXPECT_GE(c.quarterTurns[j], 0);
        EXPECT_LE(c.quarterTurns[j], 3);
      }
      EXPECT_EQ(names, std::set<std::string>(s.loadedNames.begin(), s.loadedNames.end()))
          << "candidate " << k;
    }
    const tagStitchOrderInfo& first = candidates_->records[0];
    EXPECT_EQ(first.rows, s.rows);
    EXPECT_EQ(first.columns, s.columns);
    for (int32_t j = 0; j < s.count; ++j) {
      EXPECT_EQ(s.workingNames[j], first.fileNames[j]);
      EXPECT_EQ(s.pieces[j].quarterTurns, first.quarterTurns[j]);
    }
  }

  // The session holds exactly what applying candidate 0 through QXChangeOrder makes of it.
  void expectSameAsChangeOrder() {
    tessaly::stitch::Session& s = internals(session_);
    const std::vector<std::string> names = s.workingNames;
    const int32_t rows = s.rows, columns = s.columns;
    std::vector<Picture> minis;
    std::vector<int32_t> turns;
    for (int32_t cell = 0; cell < s.count; ++cell) {
      minis.push_back(Picture::fromArray(*s.pieces[cell].levels[s.coarsest]));
      turns.push_back(s.pieces[cell].quarterTurns);
    }
    ASSERT_EQ(QXChangeOrder(session_, &candidates_->records[0]), QX_OK);
    EXPECT_EQ(s.workingNames, names);
    EXPECT_EQ(s.rows, rows);
    EXPECT_EQ(s.columns, columns);
    for (int32_t cell = 0; cell < s.count; ++cell) {
      EXPECT_TRUE(Picture::fromArray(*s.pieces[cell].levels[s.coarsest]).samePixels(minis[cell]))
          << "cell " << cell;
      EXPECT_EQ(s.pieces[cell].quarterTurns, turns[cell]) << "cell " << cell;
    }
  }
};

// A row and the same row turned half round score alike; the row comes back the way that leaves
// most pieces as scanned. Only a set scanned a quarter turned, where every piece must turn either
// way, may come back half turned as a whole.
TEST_F(AutoOrderTest, RowsComeBackInOrderWithTheirTurns) {
  struct RowCase {
    int columns;
    std::vector<int> fileTurns, loadOrder;
  };
  const RowCase cases[] = {
      {2, {0, 0}, {1, 0}},
      {3, {0, 0, 0}, {2, 0, 1}},
      {3, {0, 2, 0}, {1, 2, 0}},  // the middle piece scanned upside down
      {3, {1, 1, 1}, {0, 2, 1}},  // every piece scanned a quarter turned
  };
  uint32_t seed = 11;
  for (const RowCase& c : cases) {
    SCOPED_TRACE("columns " + std::to_string(c.columns) + ", first turn " +
                 std::to_string(c.fileTurns[0]));
    pieces_ = {};
    makeScene(1, c.columns, 600, 800, 0.3, c.fileTurns, c.loadOrder, seed++);
    EXPECT_EQ(order(QX_STYLE_ROW), QX_OK);
    const int turn = matchingGlobalTurn();
    if (c.fileTurns[0] == 1) {
      EXPECT_TRUE(turn == 0 || turn == 2) << arrangementText();
    } else {
      EXPECT_EQ(turn, 0) << arrangementText();
    }
    expectCandidatesConsistent();
    expectSameAsChangeOrder();
    QXReleaseStitch(session_);
    session_ = nullptr;
  }
}

TEST_F(AutoOrderTest, ARowScannedInEitherDirectionComesBackUpright) {
  for (const std::vector<int>& loadOrder : {std::vector<int>{0, 1, 2}, std::vector<int>{2, 1, 0}}) {
    pieces_ = {};
    makeScene(1, 3, 600, 800, 0.35, {0, 0, 0}, loadOrder, 21);
    EXPECT_EQ(order(QX_STYLE_ROW), QX_OK);
    EXPECT_EQ(matchingGlobalTurn(), 0) << arrangementText();
    QXReleaseStitch(session_);
    session_ = nullptr;
  }
}

// Grids are turned as a whole so that most pieces keep their scanned orientation, which for
// these scenes is the true layout itself (or, for a set scanned a quarter turned, the layout
// turned a quarter).
TEST_F(AutoOrderTest, GridsComeBackInTheirCellsWithTheirTurns) {
  struct GridCase {
    int rows, columns;
    std::vector<int> fileTurns, loadOrder;
    int globalTurn;
  };
  const GridCase cases[] = {
      {2, 2, {0, 0, 0, 0}, {3, 1, 0, 2}, 0},
      {2, 3, {0, 0, 0, 0, 0, 0}, {4, 1, 5, 0, 2, 3}, 0},
      {3, 2, {0, 0, 0, 0, 0, 0}, {4, 1, 5, 0, 2, 3}, 0},  // found as 2 x 3, turned upright
      {2, 2, {0, 0, 2, 0}, {1, 3, 0, 2}, 0},              // one piece upside down
      {2, 2, {1, 1, 1, 1}, {2, 0, 3, 1}, 1},              // the whole set a quarter turned
      {2, 3, {1, 1, 1, 1, 1, 1}, {2, 0, 3, 1, 5, 4}, 1},
  };
  uint32_t seed = 31;
  for (const GridCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.rows) + " x " + std::to_string(c.columns) + ", first turn " +
                 std::to_string(c.fileTurns[0]));
    pieces_ = {};
    makeScene(c.rows, c.columns, 480, 640, 0.3, c.fileTurns, c.loadOrder, seed++);  // minis 60 x 80
    EXPECT_EQ(order(QX_STYLE_GRID), QX_OK);
    EXPECT_EQ(matchingGlobalTurn(), c.globalTurn) << arrangementText();
    expectCandidatesConsistent();
    expectSameAsChangeOrder();
    QXReleaseStitch(session_);
    session_ = nullptr;
  }
}

// Twelve pieces are searched as two lines: the first half of the load order is one line. The
// order inside each half is shuffled, and the later half is the top line. Miniatures 50 x 67.
TEST_F(AutoOrderTest, TwelvePiecesInTwoLines) {
  makeScene(2, 6, 400, 540, 0.3, std::vector<int>(12, 0), {9, 7, 6, 11, 8, 10, 3, 1, 0, 5, 2, 4},
            41);
  EXPECT_EQ(order(QX_STYLE_GRID), QX_OK);
  EXPECT_EQ(matchingGlobalTurn(), 0) << arrangementText();
  expectCandidatesConsistent();
}

TEST_F(AutoOrderTest, TwelvePiecesInTwoColumns) {
  makeScene(6, 2, 400, 540, 0.3, std::vector<int>(12, 0), {4, 0, 2, 6, 8, 10, 5, 11, 1, 3, 7, 9},
            42);
  EXPECT_EQ(order(QX_STYLE_GRID), QX_OK);
  EXPECT_EQ(matchingGlobalTurn(), 0) << arrangementText();
}

// No grid of at least two rows holds these counts: the pieces stay in one row in load order.
TEST_F(AutoOrderTest, GridStyleWithoutAGridShapeFallsBackToTheLoadOrderRow) {
  for (int count : {2, 3, 5, 7}) {
    SCOPED_TRACE("count " + std::to_string(count));
    pieces_ = {};
    std::vector<int> none(count, 0), reversed(count);
    for (int i = 0; i < count; ++i) reversed[i] = count - 1 - i;
    makeScene(1, count, 240, 320, 0.3, none, reversed, 50 + count);
    ASSERT_EQ(order(QX_STYLE_GRID), QX_WARN_LOW_CONFIDENCE);
    EXPECT_EQ(candidateCount_, 1);
    const tessaly::stitch::Session& s = internals(session_);
    EXPECT_EQ(s.rows, 1);
    EXPECT_EQ(s.columns, count);
    EXPECT_EQ(s.workingNames, s.loadedNames);
    // The one candidate describes that row completely.
    expectCandidatesConsistent();
    for (int j = 0; j < count; ++j) EXPECT_EQ(candidates_->records[0].quarterTurns[j], 0);
    expectSameAsChangeOrder();
    QXReleaseStitch(session_);
    session_ = nullptr;
  }
}

// Blank paper: nothing to match. The featureless warning wins over the low-confidence one.
TEST_F(AutoOrderTest, FeaturelessPiecesWarnAndStillDeliverAnArrangement) {
  for (int style : {QX_STYLE_ROW, QX_STYLE_GRID}) {
    SCOPED_TRACE("style " + std::to_string(style));
    pieces_ = {};
    for (int i = 0; i < 4; ++i) {
      Picture blank(600, 800);
      for (auto& byte : blank.bytes) byte = static_cast<uint8_t>(230 + i);
      addPiece("blank" + std::to_string(style) + std::to_string(i) + ".bmp", blank, i);
    }
    open(style);
    ASSERT_EQ(load(), QX_OK);
    tessaly::stitch::test::CandidateRecords records(4);
    long count = 0;
    EXPECT_EQ(QXAutoOrder(session_, &count, records.records), QX_WARN_FEATURELESS_PIECES);
    EXPECT_GE(count, 1);
    EXPECT_EQ(internals(session_).rows * internals(session_).columns, 4);
    QXReleaseStitch(session_);
    session_ = nullptr;
  }
}

// With many pieces and nothing found, an even count stays in two lines in load order; an odd
// count cannot fill two lines and stays in one row.
TEST_F(AutoOrderTest, ManyFeaturelessPiecesKeepADefaultThatHoldsEveryPiece) {
  for (int count : {12, 11}) {
    SCOPED_TRACE("count " + std::to_string(count));
    pieces_ = {};
    Picture blank(240, 320);
    for (auto& byte : blank.bytes) byte = 200;
    for (int i = 0; i < count; ++i)
      addPiece("many" + std::to_string(count) + "_" + std::to_string(i) + ".bmp", blank, i);
    open(QX_STYLE_GRID);
    ASSERT_EQ(load(), QX_OK);
    candidates_ = std::make_unique<tessaly::stitch::test::CandidateRecords>(count);
    EXPECT_EQ(QXAutoOrder(session_, &candidateCount_, candidates_->records),
              QX_WARN_FEATURELESS_PIECES);
    const tessaly::stitch::Session& s = internals(session_);
    EXPECT_EQ(s.rows, count % 2 == 0 ? 2 : 1);
    EXPECT_EQ(s.rows * s.columns, count);
    EXPECT_EQ(s.workingNames, s.loadedNames);
    expectCandidatesConsistent();
    QXReleaseStitch(session_);
    session_ = nullptr;
  }
}

TEST_F(AutoOrderTest, ReportsEveryStageInOrderAndEndsAt100) {
  makeScene(2, 2, 240, 320, 0.3, {0, 0, 0, 0}, {0, 1, 2, 3}, 61);
  open(QX_STYLE_GRID);
  ASSERT_EQ(load(), QX_OK);
  loader_.clearPositions();
  tessaly::stitch::test::CandidateRecords records(4);
  long count = 0;
  ASSERT_EQ(QXAutoOrder(session_, &count, records.records), QX_OK);
  const std::vector<long>& pos = loader_.positions();
  EXPECT_TRUE(std::is_sorted(pos.begin(), pos.end()));
  for (long expected : {0L, 1L, 2L, 3L, 5L, 50L, 95L, 98L, 99L}) {
    EXPECT_NE(std::find(pos.begin(), pos.end(), expected), pos.end()) << expected;
  }
  EXPECT_EQ(pos.back(), 100);
}

// A cancel at any report returns -1, leaves the cells in load order (or as they were, before the
// reset) and a session that orders correctly afterwards and releases cleanly.
TEST_F(AutoOrderTest, ACancelAtAnyReportLeavesAUsableSession) {
  makeScene(2, 2, 240, 320, 0.3, {0, 2, 0, 0}, {2, 0, 3, 1}, 71);
  open(QX_STYLE_GRID);
  ASSERT_EQ(load(), QX_OK);
  tessaly::stitch::test::CandidateRecords records(4);
  long count = 0;
  loader_.clearPositions();
  ASSERT_EQ(QXAutoOrder(session_, &count, records.records), QX_OK);
  const std::vector<long> clean = loader_.positions();
  const int expectedTurn = matchingGlobalTurn();
  ASSERT_EQ(expectedTurn, 0) << arrangementText();
  const std::vector<std::string> ordered = internals(session_).workingNames;

  // Every report outside the pair matching, and about a dozen inside it.
  const long reports = static_cast<long>(clean.size());
  const long stride = reports / 12 + 1;
  for (long n = 1; n < reports; ++n) {
    const bool matching = clean[n - 1] >= 5 && clean[n - 1] < 95;
    if (matching && n % stride != 0) continue;
    loader_.clearPositions();
    loader_.cancelAtReport(n);
    ASSERT_EQ(QXAutoOrder(session_, &count, records.records), QX_CANCELLED)
        << "cancel at report " << n;
    EXPECT_EQ(loader_.positions().back(), 100);
    // The first report comes before anything changed; after it the cells are back in load order.
    const tessaly::stitch::Session& s = internals(session_);
    EXPECT_EQ(s.workingNames, n == 1 ? ordered : s.loadedNames) << "cancel at report " << n;
    tagPixelArray* minis[4] = {};
    EXPECT_EQ(QXGetMiniatures(session_, minis), QX_OK);
  }
  loader_.cancelAtReport(0);
  ASSERT_EQ(QXAutoOrder(session_, &count, records.records), QX_OK);
  EXPECT_EQ(matchingGlobalTurn(), expectedTurn);
  EXPECT_EQ(loader_.liveImages(), 0);
}

// Ordering always starts from the unturned load order, whatever was applied before.
TEST_F(AutoOrderTest, StartsFromTheLoadOrderWhateverWasAppliedBefore) {
  makeScene(1, 3, 600, 800, 0.3, {0, 0, 0}, {0, 1, 2}, 81);
  open(QX_STYLE_ROW);
  ASSERT_EQ(load(), QX_OK);
  const tessaly::stitch::Session& s = internals(session_);
  tessaly::stitch::test::Arrangement scrambled(
      3, 1, {s.loadedNames[2], s.loadedNames[0], s.loadedNames[1]}, {1, 3, 2});
  ASSERT_EQ(QXChangeOrder(session_, &scrambled.info), QX_OK);
  candidates_ = std::make_unique<tessaly::stitch::test::CandidateRecords>(3);
  ASSERT_EQ(QXAutoOrder(session_, &candidateCount_, candidates_->records), QX_OK);
  EXPECT_EQ(matchingGlobalTurn(), 0) << arrangementText();
  expectSameAsChangeOrder();
}

TEST_F(AutoOrderTest, FailuresLeaveAReleasableSession) {
  makeScene(1, 2, 240, 320, 0.3, {0, 0}, {0, 1}, 91);
  open(QX_STYLE_ROW);
  ASSERT_EQ(load(), QX_OK);
  tessaly::stitch::test::CandidateRecords records(2);
  long count = 0;

  // A record without its arrays cannot take a candidate.
  records.records[0].fileNames = nullptr;
  EXPECT_EQ(QXAutoOrder(session_, &count, records.records), QX_ERR_SETUP);
  records.records[0].fileNames = records.names[0].data();
  records.names[0][1] = nullptr;
  EXPECT_EQ(QXAutoOrder(session_, &count, records.records), QX_ERR_SETUP);
  records.names[0][1] = records.buffers[1].data();
  EXPECT_EQ(QXAutoOrder(session_, nullptr, records.records), QX_ERR_SETUP);
  EXPECT_EQ(QXAutoOrder(session_, &count, nullptr), QX_ERR_SETUP);

  // A piece without its miniature has nothing to match.
  ASSERT_EQ(QXAutoOrder(session_, &count, records.records), QX_OK);
  internals(session_).loadedMiniatures[1].reset();
  loader_.clearPositions();
  EXPECT_EQ(QXAutoOrder(session_, &count, records.records), QX_ERR_INPUT);
  EXPECT_EQ(loader_.positions().back(), 100);
}

}  // namespace
