// Loading pieces through the exports: load order, level images, failures, cancels and the
// hand-back of every image the caller loaded.
#include <gtest/gtest.h>

#include "session.h"
#include "session_fixture.h"

namespace {

using tessaly::stitch::test::Picture;

class LoadTest : public tessaly::stitch::test::SessionTest {};

tessaly::stitch::Session& internals(void* handle) {
  return *static_cast<tessaly::stitch::Session*>(handle);
}

TEST_F(LoadTest, SortsByWriteTimeWithTheExchangeSort) {
  const Picture p(60, 100);
  const std::string a = addPiece("A.bmp", p, 1), b = addPiece("B.bmp", p, 1),
                    c = addPiece("C.bmp", p, 0);
  open(0);
  ASSERT_EQ(load(), QX_OK);
  EXPECT_EQ(pieces_.name(0), c);
  EXPECT_EQ(pieces_.name(1), b);
  EXPECT_EQ(pieces_.name(2), a);
  EXPECT_EQ(loader_.loadedNames(), (std::vector<std::string>{c, b, a}));
}

TEST_F(LoadTest, NanosecondsCountInTheWriteTime) {
  const Picture p(60, 100);
  const std::string later = dir_.file("later.bmp"), earlier = dir_.file("earlier.bmp");
  tessaly::stitch::test::touchFile(later, 5, 900);
  tessaly::stitch::test::touchFile(earlier, 5, 100);
  for (const auto& n : {later, earlier}) {
    loader_.add(n, p);
    pieces_.add(n, 60, 100);
  }
  open(0);
  ASSERT_EQ(load(), QX_OK);
  EXPECT_EQ(pieces_.name(0), earlier);
}

TEST_F(LoadTest, MissingFileFailsBeforeTouchingTheNames) {
  const Picture p(60, 100);
  const std::string b = addPiece("B.bmp", p, 2);
  pieces_.add(dir_.file("missing.bmp"), 60, 100);
  const std::string a = addPiece("A.bmp", p, 1);
  open(0);
  EXPECT_EQ(load(), QX_ERR_INPUT);
  EXPECT_EQ(pieces_.name(0), b);
  EXPECT_EQ(pieces_.name(2), a);
  EXPECT_EQ(loader_.loads(), 0);
}

TEST_F(LoadTest, RejectsNullArgumentsAndUnterminatedNames) {
  open(0);
  POINT size{60, 100};
  char* names[1] = {nullptr};
  EXPECT_EQ(QXLoadImages(nullptr, 1, names, &size), QX_ERR_INPUT);
  EXPECT_EQ(QXLoadImages(session_, 1, nullptr, &size), QX_ERR_INPUT);
  EXPECT_EQ(QXLoadImages(session_, 1, names, nullptr), QX_ERR_INPUT);
  EXPECT_EQ(QXLoadImages(session_, 1, names, &size), QX_ERR_INPUT);
  std::vector<char> unterminated(QX_NAME_BUFFER, 'x');
  names[0] = unterminated.data();
  EXPECT_EQ(QXLoadImages(session_, 1, names, &size), QX_ERR_INPUT);
  EXPECT_EQ(QXLoadImages(session_, 0, names, &size), QX_ERR_INPUT);
}

TEST_F(LoadTest, KeepsTheCoarsestLevelAsMiniatureInLoadOrder) {
  const Picture first = tessaly::stitch::test::makeTexturedPage(400, 300, 1),
                second = tessaly::stitch::test::makeTexturedPage(400, 300, 2);
  addPiece("second.bmp", second, 20);
  addPiece("first.bmp", first, 10);
  open(0);
  ASSERT_EQ(load(), QX_OK);
  // 400 x 300: area / 4^3 falls below 1500 at L = 4, but 400 >> 3 = 50 is not above 54: 3 levels.
  EXPECT_EQ(internals(session_).coarsest, 2);
  tagPixelArray* minis[2] = {};
  ASSERT_EQ(QXGetMiniatures(session_, minis), QX_OK);
  EXPECT_TRUE(
      Picture::fromArray(*minis[0]).samePixels(tessaly::stitch::test::halvedTimes(first, 2)));
  EXPECT_EQ(minis[1]->width, 100);
  EXPECT_EQ(internals(session_).columns, 2);
  EXPECT_EQ(internals(session_).rows, 1);
}

TEST_F(LoadTest, ReportsTheLoadingPositions) {
  const Picture p = tessaly::stitch::test::makeTexturedPage(400, 300, 3);
  addPiece("a.bmp", p, 1);
  addPiece("b.bmp", p, 2);
  open(0);
  ASSERT_EQ(load(), QX_OK);
  const std::vector<long>& pos = loader_.positions();
  ASSERT_FALSE(pos.empty());
  EXPECT_EQ(pos.front(), 0);
  EXPECT_EQ(pos.back(), 100);
  EXPECT_TRUE(std::is_sorted(pos.begin(), pos.end()));
  // Piece 0 owns [2, 51], piece 1 [51, 100]; each reports a twice, then a + 2 after loading.
  EXPECT_EQ(std::vector<long>(pos.begin(), pos.begin() + 4), (std::vector<long>{0, 2, 2, 4}));
  EXPECT_NE(std::find(pos.begin(), pos.end(), 53), pos.end());
}

TEST_F(LoadTest, TooSmallPiecesLoadNothingAndLaterCallsFailCleanly) {
  addPiece("tiny.bmp", Picture(40, 100), 1);
  open(1);
  EXPECT_EQ(load(), QX_OK);
  EXPECT_EQ(loader_.loads(), 0);
  EXPECT_EQ(loader_.positions().back(), 100);
  long n = 0;
  tagStitchOrderInfo candidates[5] = {};
  EXPECT_EQ(QXAutoOrder(session_, &n, candidates), QX_ERR_SETUP);
  EXPECT_EQ(QXAutoAlign(session_), QX_ERR_SETUP);
  tagPixelArray* minis[1] = {};
  EXPECT_EQ(QXGetMiniatures(session_, minis), QX_ERR_SETUP);
}

TEST_F(LoadTest, PassesTheLoadersOwnFailureCodeThrough) {
  const Picture p = tessaly::stitch::test::makeTexturedPage(200, 150, 4);
  addPiece("a.bmp", p, 1);
  const std::string bad = addPiece("b.bmp", p, 2);
  addPiece("c.bmp", p, 3);
  loader_.failOn(bad, 77);
  open(0);
  EXPECT_EQ(load(), 77);
  EXPECT_EQ(loader_.liveImages(), 0);
  EXPECT_EQ(loader_.loads(), loader_.releases());
  EXPECT_EQ(loader_.positions().back(), 100);
}

TEST_F(LoadTest, CancelAtAnyReportHandsEverythingBack) {
  const Picture p = tessaly::stitch::test::makeTexturedPage(200, 150, 5);
  addPiece("a.bmp", p, 1);
  addPiece("b.bmp", p, 2);
  open(0);
  ASSERT_EQ(load(), QX_OK);
  const long reports = loader_.reports();
  QXReleaseStitch(session_);
  session_ = nullptr;

  for (long n = 1; n <= reports; ++n) {
    tessaly::stitch::test::TestLoader loader;
    loader.add(pieces_.name(0), p);
    loader.add(pieces_.name(1), p);
    loader.cancelAtReport(n);
    void* s = loader.createSession(0);
    EXPECT_EQ(QXLoadImages(s, pieces_.count(), pieces_.names.data(), pieces_.sizes.data()),
              QX_CANCELLED)
        << "cancel at report " << n;
    if (n == 1) {
      EXPECT_EQ(loader.loads(), 0);
    }
    EXPECT_EQ(loader.liveImages(), 0);
    EXPECT_EQ(loader.loads(), loader.releases());
    EXPECT_FALSE(loader.sawBadRelease());
    QXReleaseStitch(s);
  }
}

TEST_F(LoadTest, HoldsAtMostOneCallerImageAtATime) {
  const Picture p = tessaly::stitch::test::makeTexturedPage(300, 200, 6);
  for (int i = 0; i < 4; ++i) addPiece("p" + std::to_string(i) + ".bmp", p, i);
  open(1);
  ASSERT_EQ(load(), QX_OK);
  EXPECT_EQ(loader_.mostLiveAtOnce(), 1);
  EXPECT_EQ(loader_.loads(), 4);
  EXPECT_EQ(loader_.releases(), 4);
  EXPECT_FALSE(loader_.sawBadRelease());
}

TEST_F(LoadTest, RejectsALoaderImageThatIsNotA24BitArray) {
  const Picture p = tessaly::stitch::test::makeTexturedPage(200, 150, 9);
  Picture broken = p;
  broken.stride = 3;  // rows overlap: unusable
  addPiece("a.bmp", broken, 1);
  open(0);
  EXPECT_EQ(load(), QX_ERR_INPUT);
  EXPECT_EQ(loader_.liveImages(), 0);
}

TEST_F(LoadTest, LoadsOnlyOnce) {
  addPiece("a.bmp", Picture(60, 100), 1);
  open(0);
  ASSERT_EQ(load(), QX_OK);
  EXPECT_EQ(load(), QX_ERR_SETUP);
}

}  // namespace
