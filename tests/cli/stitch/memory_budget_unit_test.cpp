// The job's memory estimate and the check against what the machine has available, and the
// piece pixel limit's option.
#include <gtest/gtest.h>

#include "exit_codes.h"
#include "memory_budget.h"
#include "options.h"

namespace tessaly::cli::stitch {
namespace {

Piece pieceOf(int32_t width, int32_t height) {
  return describePiece({"p.jpg", 0}, 0, width, height, 300, 300);
}

TEST(MemoryBudgetTest, TheEstimateCountsTheResultThreePiecesAndTheWorkingSet) {
  const std::vector<Piece> pieces = {pieceOf(1000, 1000), pieceOf(2000, 1000)};
  const int64_t working = estimatedPeakBytes({}, 0);
  EXPECT_GT(working, 0);
  EXPECT_EQ(estimatedPeakBytes(pieces, 0) - working, 9000000 + 3 * 6000000);
  // A result made smaller by halvings needs a quarter for each; the pieces do not shrink.
  EXPECT_EQ(estimatedPeakBytes(pieces, 1) - working, 9000000 / 4 + 3 * 6000000);
}

TEST(MemoryBudgetTest, AJobBeyondTheAvailableMemoryIsRefusedWithBothAmounts) {
  const std::vector<Piece> pieces = {pieceOf(60000, 60000), pieceOf(60000, 60000)};
  try {
    checkMemoryFits(pieces, 0, int64_t{8} << 30);
    FAIL() << "accepted";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.code(), ExitCode::Setup);
    const std::string text = failure.what();
    EXPECT_NE(text.find("GB of memory"), std::string::npos) << text;
    EXPECT_NE(text.find("8.6 GB is available"), std::string::npos) << text;
  }
  EXPECT_NO_THROW(checkMemoryFits(pieces, 0, 0));  // unknown: the job runs
  EXPECT_NO_THROW(checkMemoryFits({pieceOf(1000, 1000)}, 0, int64_t{8} << 30));
  EXPECT_GT(availableMemoryBytes(), 0);
}

TEST(MemoryBudgetTest, ThePiecePixelLimitIsAnOption) {
  const char* plain[] = {"tessaly-stitch", "-o", "r.tif", "a.jpg", "b.jpg"};
  EXPECT_EQ(parseStitchOptions(5, plain).maxPiecePixels, 300000000);
  const char* raised[] = {
      "tessaly-stitch", "--max-piece-pixels", "5000000000", "-o", "r.tif", "a.jpg", "b.jpg"};
  EXPECT_EQ(parseStitchOptions(7, raised).maxPiecePixels, 5000000000);
  for (const char* wrong : {"0", "-5", "many"}) {
    const char* args[] = {"tessaly-stitch", "--max-piece-pixels", wrong, "-o", "r.tif", "a.jpg",
                          "b.jpg"};
    EXPECT_ANY_THROW(parseStitchOptions(7, args)) << wrong;
  }
}

}  // namespace
}  // namespace tessaly::cli::stitch
