// The whole engine with different numbers of workers: the same pieces give the same bytes, the
// same candidates and the same callbacks in the same order on the caller's thread, and a cancel at
// any report leaves no image and no thread behind.
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "session_fixture.h"
#include "stitch_layout.h"

namespace {

using tessaly::stitch::test::CandidateRecords;
using tessaly::stitch::test::PieceList;
using tessaly::stitch::test::StitchLayout;
using tessaly::stitch::test::TempDir;
using tessaly::stitch::test::TestLoader;

int threadsOfThisProcess() {
  int count = 0;
  if (DIR* tasks = opendir("/proc/self/task")) {
    while (const dirent* entry = readdir(tasks)) count += entry->d_name[0] != '.';
    closedir(tasks);
  }
  return count;
}

// What one stitch showed its caller.
struct Outcome {
  std::vector<long> statuses;  // of the exports, in call order, up to the first failure
  std::vector<std::string> candidates;
  std::vector<std::string> events;
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
  RECT rect{};
  int liveImagesAfterRelease = -1;
  bool badRelease = false;
  bool foreignThread = false;
  int threadsAfter = 0;
};

// Stitches the layout's pieces (loaded from BMP files in `dir`) with TESSALY_THREADS=threads;
// cancelAt: the report that answers "cancel" (0 none).
Outcome stitchWith(const StitchLayout& layout, TempDir& dir, int32_t style, const char* threads,
                   long cancelAt = 0) {
  setenv("TESSALY_THREADS", threads, 1);
  TestLoader loader;
  PieceList pieces;
  // Load order differs from cell order, so that the engine has an arrangement to find.
  const int scanTimes[] = {2, 0, 3, 1};
  for (int cell = 0; cell < 4; ++cell) {
    const std::string path = dir.file("scan" + std::to_string(cell) + ".bmp");
    tessaly::stitch::test::touchFile(path, scanTimes[cell]);
    loader.add(path, layout.file(cell));
    pieces.add(path, layout.file(cell).width, layout.file(cell).height);
  }
  loader.cancelAtReport(cancelAt);
  Outcome out;
  void* session = loader.createSession(style);
  const auto step = [&](long status) {
    out.statuses.push_back(status);
    return status == QX_OK ||
           (status >= QX_WARN_FEATURELESS_PIECES && status <= QX_WARN_SMALL_OVERLAP);
  };
  CandidateRecords candidates(4);
  long count = 0;
  tagPixelArray* result = nullptr;
  if (step(QXLoadImages(session, pieces.count(), pieces.names.data(), pieces.sizes.data())) &&
      step(QXAutoOrder(session, &count, candidates.records)) && step(QXAutoAlign(session)) &&
      step(QXAutoBlend(session, &result, &out.rect))) {
    out.width = result->width;
    out.height = result->height;
    for (int32_t y = 0; y < result->height; ++y) {
      const uint8_t* row = result->bits + static_cast<size_t>(y) * result->bytesPerLine;
      out.pixels.insert(out.pixels.end(), row, row + result->width * 3);
    }
  }
  for (long k = 0; k < count; ++k) {
    std::string text = std::to_string(candidates.records[k].rows) + "x" +
                       std::to_string(candidates.records[k].columns);
    for (int j = 0; j < 4; ++j) {
      text += std::string(" ") + candidates.records[k].fileNames[j] + "/" +
              std::to_string(candidates.records[k].quarterTurns[j]);
    }
    out.candidates.push_back(text);
  }
  QXReleaseStitch(session);
  out.events = loader.events();
  out.liveImagesAfterRelease = loader.liveImages();
  out.badRelease = loader.sawBadRelease();
  out.foreignThread = loader.sawForeignThread();
  out.threadsAfter = threadsOfThisProcess();
  unsetenv("TESSALY_THREADS");
  return out;
}

class ParallelStitchTest : public ::testing::TestWithParam<int32_t> {
 protected:
  static void SetUpTestSuite() {
    layout_ =
        std::make_unique<StitchLayout>(tessaly::stitch::test::tiltedGrid(2, 2, 480, 360, 150, 211));
  }
  static void TearDownTestSuite() { layout_.reset(); }

  static std::unique_ptr<StitchLayout> layout_;
  TempDir dir_;
};

std::unique_ptr<StitchLayout> ParallelStitchTest::layout_;

TEST_P(ParallelStitchTest, AnyNumberOfWorkersGivesTheSameBytesAndCallbacks) {
  const Outcome one = stitchWith(*layout_, dir_, GetParam(), "1");
  ASSERT_EQ(one.statuses.size(), 4u);
  ASSERT_FALSE(one.pixels.empty());
  EXPECT_FALSE(one.candidates.empty());
  for (const char* threads : {"2", "8"}) {
    const Outcome many = stitchWith(*layout_, dir_, GetParam(), threads);
    EXPECT_EQ(many.statuses, one.statuses) << threads;
    EXPECT_EQ(many.candidates, one.candidates) << threads;
    EXPECT_EQ(many.events, one.events) << threads;
    EXPECT_EQ(many.width, one.width);
    EXPECT_EQ(many.height, one.height);
    EXPECT_TRUE(many.pixels == one.pixels) << threads << " workers changed the result";
    EXPECT_EQ(many.rect.left, one.rect.left);
    EXPECT_EQ(many.rect.bottom, one.rect.bottom);
    EXPECT_FALSE(many.foreignThread);
    // Threads the libraries below keep for themselves are there after the one-worker run too.
    EXPECT_EQ(many.threadsAfter, one.threadsAfter);
  }
}

// A cancel answered at report n, spread over the whole run, ends the call with QX_CANCELLED
// after exactly the callbacks the one-worker run makes up to there, and leaves nothing behind.
TEST_P(ParallelStitchTest, CancelFromAnyReportLeavesNothingRunning) {
  const Outcome whole = stitchWith(*layout_, dir_, GetParam(), "4");
  long reports = 0;
  for (const std::string& e : whole.events) reports += e.rfind("progress ", 0) == 0;
  ASSERT_GT(reports, 10);
  constexpr long kSamples = 10;
  for (long k = 0; k < kSamples; ++k) {
    const long at = 1 + k * (reports - 1) / (kSamples - 1);
    const Outcome one = stitchWith(*layout_, dir_, GetParam(), "1", at);
    const Outcome many = stitchWith(*layout_, dir_, GetParam(), "4", at);
    EXPECT_EQ(many.events, one.events) << "cancel at report " << at;
    EXPECT_EQ(many.statuses, one.statuses) << "cancel at report " << at;
    // The last report of a call always comes; only it may follow the cancel.
    if (many.statuses.back() == QX_CANCELLED) {
      EXPECT_EQ(many.events.back(), "progress 100");
    }
    EXPECT_EQ(many.liveImagesAfterRelease, 0);
    EXPECT_FALSE(many.badRelease);
    EXPECT_FALSE(many.foreignThread);
    EXPECT_EQ(many.threadsAfter, one.threadsAfter);
  }
}

INSTANTIATE_TEST_SUITE_P(Ways, ParallelStitchTest,
                         ::testing::Values(QX_STYLE_GRID, QX_STYLE_GRID | QX_STYLE_VERIFIED),
                         [](const auto& info) {
                           return (info.param & QX_STYLE_VERIFIED) != 0 ? "Verified" : "Classic";
                         });

}  // namespace
