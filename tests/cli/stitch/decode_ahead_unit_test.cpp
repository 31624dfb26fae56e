// Decoding ahead of the engine: the engine must see exactly what the loader gives it without a
// decoding thread (the same images, statuses, failures, warnings and counts), whatever order it
// asks in, and the thread must hold at most one piece and end when told.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <stdexcept>
#include <thread>

#include "decode_ahead.h"
#include "formats.h"
#include "pattern.h"
#include "piece_loader.h"
#include "pixel_block.h"
#include "temp_folder.h"
#include "zanFileIO.h"

namespace {

namespace client = tessaly::stitch::client;
using client::DecodeAhead;
using client::DecodedPiece;
using client::PieceCache;
using client::PieceLoader;
using client::PieceSource;
using tessaly::cli::test::Pattern;
using tessaly::test::TempFolder;

void setModifiedAt(const std::string& path, long seconds) {
  const timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Everything the engine learns from a series of loads.
struct Seen {
  std::vector<long> statuses;
  std::vector<std::vector<uint8_t>> images;  // whole rows, padding included
  std::vector<std::string> failures;
  std::vector<int> decodes;
  std::vector<int> cacheReads;
  std::vector<std::string> warnings;
  bool operator==(const Seen&) const = default;
};

class DecodeAheadTest : public ::testing::Test {
 protected:
  void SetUp() override { tessaly::cli::stitch::loadFormatPlugins(); }

  // Writes the pattern as a lossless file and lists it as a piece.
  std::string addPiece(const std::string& name, int salt, int rotation, long modifiedAt) {
    const std::string path = dir_.file(name);
    Pattern picture(47 + salt, 29, salt);
    EXPECT_EQ(zanIOWriteBGR(path.c_str(), 0, picture.bytes.data(), picture.width, picture.height,
                            picture.stride, 0, 0, nullptr),
              0);
    setModifiedAt(path, modifiedAt);
    pieces_.push_back({path, rotation});
    return path;
  }

  std::string addBrokenPiece(const std::string& name, long modifiedAt) {
    const std::string path = dir_.file(name);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs("BM not really a picture", f);
    std::fclose(f);
    setModifiedAt(path, modifiedAt);
    pieces_.push_back({path, 0});
    return path;
  }

  // Loads `names` in turn through a fresh loader and cache, decoding ahead or not; `stopAfter`
  // loads in, the decoding thread is stopped.
  Seen loadAll(const std::vector<std::string>& names, bool ahead, size_t stopAfter = SIZE_MAX) {
    TempFolder cacheDir;
    PieceCache cache;
    EXPECT_TRUE(cache.open(cacheDir.path()));
    PieceLoader loader(pieces_, cache);
    if (ahead) loader.startDecodingAhead();
    Seen seen;
    for (size_t i = 0; i < names.size(); ++i) {
      if (i == stopAfter) loader.stopDecodingAhead();
      tagPixelArray* image = nullptr;
      seen.statuses.push_back(loader.load(names[i].c_str(), &image));
      seen.failures.push_back(image ? "" : loader.lastFailure());
      if (image) {
        const uint8_t* bits = image->bits;
        seen.images.emplace_back(bits, bits + size_t(image->bytesPerLine) * image->height);
      }
      PieceLoader::release(&image);
    }
    loader.stopDecodingAhead();
    seen.decodes = loader.decodes();
    seen.cacheReads = loader.cacheReads();
    seen.warnings = loader.readerWarnings();
    return seen;
  }

  // The engine's way: every piece once in load order, then each again for alignment.
  std::vector<std::string> twoRounds(const std::vector<std::string>& order) const {
    std::vector<std::string> names = order;
    names.insert(names.end(), order.begin(), order.end());
    return names;
  }

  TempFolder dir_;
  std::vector<PieceSource> pieces_;
};

TEST_F(DecodeAheadTest, TheEnginesOrderFollowsItsExchangeSortAndListsATwiceGivenFileOnce) {
  const std::string p0 = addPiece("p0.png", 0, 0, 5000);
  const std::string p1 = addPiece("p1.png", 1, 0, 3000);
  addPiece("p2.png", 2, 0, 3000);
  addPiece("p3.png", 3, 0, 1000);
  pieces_.push_back({p1, 0});  // the same file again: the loader serves it as piece 1
  // The exchange sort puts p2 before p1 although their times are equal; a stable sort would not.
  EXPECT_EQ(client::engineLoadOrder(pieces_), (std::vector<int>{3, 2, 1, 0}));
  pieces_.push_back({dir_.file("missing.png"), 0});
  EXPECT_EQ(client::engineLoadOrder(pieces_).size(), 5u);
}

TEST_F(DecodeAheadTest, TheEngineSeesTheSameInEveryOrderWithTurnsAndAFileGivenTwice) {
  const std::string a = addPiece("a.png", 1, 0, 4000);
  const std::string b = addPiece("b.png", 2, 90, 2000);
  const std::string c = addPiece("c.png", 3, 180, 3000);
  const std::string d = addPiece("d.png", 4, 270, 1000);
  pieces_.push_back({b, 90});
  const std::vector<std::string> engineOrder = {d, b, c, a, b};
  const std::vector<std::string> reversed = {b, a, c, b, d};
  for (const auto& names : {twoRounds(engineOrder), twoRounds(reversed)}) {
    const Seen plain = loadAll(names, false);
    EXPECT_EQ(loadAll(names, true), plain);
    EXPECT_EQ(plain.decodes, (std::vector<int>{1, 1, 1, 1, 0}));
    EXPECT_EQ(plain.cacheReads, (std::vector<int>{1, 3, 1, 1, 0}));
  }
}

TEST_F(DecodeAheadTest, AnUnreadablePieceFailsAtItsOwnLoadWithTheSameWords) {
  const std::string a = addPiece("a.png", 1, 0, 1000);
  const std::string broken = addBrokenPiece("broken.bmp", 2000);
  const std::string c = addPiece("c.png", 3, 90, 3000);
  const std::vector<std::string> names = {a, broken, c, broken};
  const Seen plain = loadAll(names, false);
  const Seen ahead = loadAll(names, true);
  EXPECT_EQ(ahead, plain);
  EXPECT_EQ(ahead.statuses,
            (std::vector<long>{0, client::kLoadUnreadable, 0, client::kLoadUnreadable}));
  EXPECT_NE(ahead.failures[1].find("broken.bmp"), std::string::npos) << ahead.failures[1];
}

TEST_F(DecodeAheadTest, StoppedEarlyTheLoaderDecodesTheRestItself) {
  const std::vector<std::string> order = {addPiece("a.png", 1, 0, 1000),
                                          addPiece("b.png", 2, 270, 2000),
                                          addPiece("c.png", 3, 0, 3000)};
  const Seen plain = loadAll(twoRounds(order), false);
  for (size_t stopAfter = 0; stopAfter <= order.size(); ++stopAfter) {
    Seen ahead = loadAll(twoRounds(order), true, stopAfter);
    // A piece the threads had decoded but nobody took before the stop still counts as decoded
    // once; its loads then come from the cache: one cache read more, never a second decode. The
    // two threads hold at most two such pieces.
    int extraReads = 0;
    for (size_t i = 0; i < order.size(); ++i) {
      const int extra = ahead.cacheReads[i] - plain.cacheReads[i];
      EXPECT_TRUE(extra == 0 || extra == 1) << stopAfter << " piece " << i;
      extraReads += extra;
    }
    EXPECT_LE(extraReads, 2) << stopAfter;
    ahead.cacheReads = plain.cacheReads;
    EXPECT_EQ(ahead, plain) << stopAfter;
  }
}

// The class alone, with decoding that the test controls.
DecodedPiece pieceWithStatus(long status) {
  DecodedPiece piece;
  piece.status = status;
  return piece;
}

template <typename Condition>
bool eventually(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

TEST(DecodeAheadThreadTest, HoldsOnePieceUntilTakenAndLeavesPiecesTakenOverToTheCaller) {
  std::atomic<int> decoded{0};
  DecodeAhead ahead({0, 1, 2}, 3, [&](int index) {
    ++decoded;
    return pieceWithStatus(100 + index);
  });
  ASSERT_TRUE(eventually([&] { return decoded == 1; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(decoded, 1);  // piece 0 is waiting: nothing more is decoded
  ASSERT_TRUE(ahead.take(0));
  ASSERT_TRUE(eventually([&] { return decoded == 2; }));
  EXPECT_FALSE(ahead.take(2));  // not started: the caller's from now on
  const std::optional<DecodedPiece> one = ahead.take(1);
  ASSERT_TRUE(one);
  EXPECT_EQ(one->status, 101);
  EXPECT_FALSE(ahead.take(1));  // taken before
  EXPECT_FALSE(ahead.take(7));
  ahead.stop();
  EXPECT_EQ(decoded, 2);
}

TEST(DecodeAheadThreadTest, TwoThreadsDecodeTwoPiecesSideBySideAndHoldNoMore) {
  std::atomic<int> started{0};
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  DecodeAhead ahead(
      {0, 1, 2, 3}, 4,
      [&](int index) {
        ++started;
        released.wait();
        return pieceWithStatus(100 + index);
      },
      2);
  ASSERT_TRUE(eventually([&] { return started == 2; }));  // both before either is done
  release.set_value();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(started, 2);  // two held, none taken: nothing more starts
  const std::optional<DecodedPiece> one = ahead.take(1);
  ASSERT_TRUE(one);
  EXPECT_EQ(one->status, 101);
  ASSERT_TRUE(eventually([&] { return started == 3; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(started, 3);
  const std::vector<DecodeAhead::Untaken> untaken = ahead.stop();
  ASSERT_EQ(untaken.size(), 2u);
  EXPECT_EQ(untaken[0].index, 0);
  EXPECT_EQ(untaken[0].piece.status, 100);
  EXPECT_EQ(untaken[1].index, 2);
  EXPECT_FALSE(ahead.take(3));  // never started: the caller's
}

TEST(DecodeAheadThreadTest, TakeWaitsForThePieceBeingDecoded) {
  std::promise<void> started, release;
  std::shared_future<void> released = release.get_future().share();
  DecodeAhead ahead({0}, 1, [&](int) {
    started.set_value();
    released.wait();
    return pieceWithStatus(5);
  });
  started.get_future().wait();
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    release.set_value();
  });
  const std::optional<DecodedPiece> piece = ahead.take(0);
  releaser.join();
  ASSERT_TRUE(piece);
  EXPECT_EQ(piece->status, 5);
}

TEST(DecodeAheadThreadTest, StopFreesAPieceNobodyTookAndFailuresReachTheCaller) {
  {
    std::atomic<int> decoded{0};
    DecodeAhead ahead({0, 1}, 2, [&](int) {
      ++decoded;
      DecodedPiece piece;
      piece.image.reset(client::allocatePixelArray(64, 64));
      return piece;
    });
    ASSERT_TRUE(eventually([&] { return decoded == 1; }));
    ahead.stop();  // the sanitizers see the piece freed
    EXPECT_FALSE(ahead.take(1));
  }
  std::promise<void> started;
  DecodeAhead throwing({0}, 1, [&](int) -> DecodedPiece {
    started.set_value();
    throw std::runtime_error("broken");
  });
  started.get_future().wait();
  const std::optional<DecodedPiece> piece = throwing.take(0);
  ASSERT_TRUE(piece);
  EXPECT_TRUE(piece->error);
}

}  // namespace
