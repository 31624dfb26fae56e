// tessaly-stitch run as a child process on pieces the tests write: what it writes, prints and
// exits with, and what it leaves behind when it fails or is cancelled.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "cli_test_support.h"
#include "piece_set.h"
#include "program_runner.h"
#include "temp_dir.h"

namespace {

using clitest::contentOf;
using clitest::PieceSetPlan;
using clitest::ProgramResult;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class StitchProgramTest : public ::testing::Test {
 protected:
  // Runs the program with `options`, then the pieces.
  ProgramResult stitch(std::vector<std::string> options, const std::vector<std::string>& pieces,
                       const clitest::InterruptWhen& interruptWhen = nullptr) {
    options.insert(options.end(), pieces.begin(), pieces.end());
    return clitest::runProgram(STITCH_PROGRAM, options, interruptWhen);
  }

  std::vector<std::string> pieces(const PieceSetPlan& plan = {}) {
    return clitest::writePieceSet(dir_.path(), plan);
  }

  // The names in the test's folder, which is also the program's $TMPDIR: whatever the program
  // made for itself there must be gone.
  std::set<std::string> folderNames() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  void expectOnlyPiecesAnd(const std::set<std::string>& others) const {
    std::set<std::string> expected = others;
    for (const std::string& name : folderNames()) {
      if (name.rfind("piece", 0) == 0) expected.insert(name);
    }
    EXPECT_EQ(folderNames(), expected);
  }

  // An older result the failing runs must leave alone.
  std::string olderResult(const std::string& name) {
    const std::string path = dir_.file(name);
    std::ofstream(path) << "older result";
    return path;
  }

  qxtest::TempDir dir_;
};

TEST_F(StitchProgramTest, RowOfTwoIsWrittenWithTheResolutionAndReportedFully) {
  const std::string out = dir_.file("out.tif"), report = dir_.file("report.json");
  const ProgramResult r = stitch({"-o", out, "--report", report}, pieces());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(contains(r.out, "arrangement: 1 row x 2 columns")) << r.out;
  EXPECT_TRUE(contains(r.out, "result: " + out)) << r.out;
  EXPECT_TRUE(contains(r.err, "blending 100%")) << r.err;

  int32_t format = 0, dpi = 0;
  const qxtest::Picture result = clitest::readPicture(out, &format, &dpi);
  EXPECT_EQ(dpi, 300);
  EXPECT_GT(result.width, 1200);  // two 800-pixel pieces overlapping by 320
  EXPECT_LT(result.width, 1320);

  const std::string json = contentOf(report);
  EXPECT_TRUE(contains(json, "\"status\": \"ok\"")) << json;
  // Each piece is decoded once; every later load reads the decoded copy.
  EXPECT_FALSE(contains(json, "\"decodes\": 0"));
  EXPECT_FALSE(contains(json, "\"decodes\": 2"));
  EXPECT_FALSE(contains(json, "\"cacheReads\": 0"));
  expectOnlyPiecesAnd({"out.tif", "report.json"});
}

TEST_F(StitchProgramTest, RotationsTurnPiecesScannedTheOtherWayRoundBeforeStitching) {
  PieceSetPlan plan;
  plan.rows = 2;
  plan.columns = 2;
  plan.overlap = 240;
  plan.fileTurns = {0, 1, 2, 0};  // files hold pieces turned left once and twice
  const std::vector<std::string> files = pieces(plan);
  const std::string out = dir_.file("out.png"), report = dir_.file("report.json");
  const ProgramResult r = stitch({"-o", out, "--report", report, files[0], "-r", "270", files[1],
                                  "--rotate=180", files[2], files[3]},
                                 {});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string json = contentOf(report);
  // Turned back by the user, no piece needs a turn from the engine.
  EXPECT_FALSE(contains(json, "\"quarterTurns\": 1")) << json;
  EXPECT_TRUE(contains(r.out, "2 rows x 2 columns")) << r.out;
  const qxtest::Picture result = clitest::readPicture(out);
  EXPECT_GT(result.width, 1300);
  EXPECT_LT(result.height, 1020);
}

TEST_F(StitchProgramTest, CropStraightenAndHalfSizeTogether) {
  const std::string out = dir_.file("out.jpg"), report = dir_.file("report.json");
  const ProgramResult r =
      stitch({"-q", "--crop", "--straighten", "--output-size", "1", "-o", out, "--report", report},
             pieces());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  int32_t dpi = 0;
  const qxtest::Picture result = clitest::readPicture(out, nullptr, &dpi);
  EXPECT_EQ(dpi, 150);  // half the pieces' 300
  EXPECT_LT(result.width, 660);
  EXPECT_LT(result.height, 300);
  const std::string json = contentOf(report);
  EXPECT_TRUE(contains(json, "\"outputLevel\": 1")) << json;
  EXPECT_TRUE(contains(json, "\"skew\": {")) << json;
  EXPECT_TRUE(contains(json, "\"appliedCrop\": {")) << json;
  EXPECT_TRUE(contains(json, "\"straightening\":")) << json;
}

TEST_F(StitchProgramTest, CommandLineMistakesStopBeforeAnyWork) {
  const std::vector<std::string> files = pieces();
  const std::string older = olderResult("result.png");
  struct Case {
    std::vector<std::string> args;
    std::string says;
  } cases[] = {
      {{"-o", dir_.file("out.xyz"), files[0], files[1]}, ".tif"},
      {{"-o", older, files[0], files[0]}, "same file"},
      {{"-o", files[1], files[0], files[1]}, "overwrite"},
      {{"-o", older, "--report", files[0], files[0], files[1]}, "overwrite"},
      {{"-o", older, "--report", dir_.path() + "/./result.png", files[0], files[1]}, "both"},
      {{"-o", older, "--style", "ring", files[0], files[1]}, "--help"},
      {{files[0], files[1]}, "-o RESULT"},
  };
  for (const Case& c : cases) {
    const ProgramResult r = stitch(c.args, {});
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_TRUE(contains(r.err, c.says)) << r.err;
  }
  EXPECT_EQ(contentOf(older), "older result");
  expectOnlyPiecesAnd({"result.png"});
}

TEST_F(StitchProgramTest, UnsuitablePiecesAreNamedAndNothingIsWritten) {
  const std::vector<std::string> files = pieces();
  const std::string older = olderResult("result.png");
  const std::string tiny = dir_.file("piece-tiny.png"), small = dir_.file("piece-small.png");
  clitest::writePicture(tiny, qxtest::Picture(100, 14), 300, 5000);
  clitest::writePicture(small, qxtest::Picture(600, 450), 300, 5001);
  const std::string missing = dir_.file("piece-missing.jpg");
  for (const auto& [bad, says] : std::vector<std::pair<std::string, std::string>>{
           {missing, "piece-missing.jpg"}, {tiny, "1500"}, {small, "widths differ by 25 %"}}) {
    const ProgramResult r = stitch({"-o", older, files[0], bad}, {});
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_TRUE(contains(r.err, says)) << r.err;
  }
  EXPECT_EQ(contentOf(older), "older result");
  expectOnlyPiecesAnd({"result.png"});
}

TEST_F(StitchProgramTest, APieceThatBreaksWhileDecodingFailsCleanly) {
  PieceSetPlan plan;
  plan.extension = ".bmp";
  std::vector<std::string> files = pieces(plan);
  // The header still describes the whole picture; the pixels stop half way.
  std::filesystem::resize_file(files[1], std::filesystem::file_size(files[1]) / 2);
  const std::string older = olderResult("result.png");
  const std::string report = dir_.file("report.json");
  const ProgramResult r = stitch({"-o", older, "--report", report}, files);
  EXPECT_EQ(r.exitCode, 3) << r.err;
  EXPECT_TRUE(contains(r.err, "piece1.bmp")) << r.err;
  size_t failureLines = 0;
  for (size_t at = 0; (at = r.err.find("tessaly-stitch:", at)) != std::string::npos; ++at) {
    ++failureLines;
  }
  EXPECT_EQ(failureLines, 1u) << r.err;
  EXPECT_EQ(contentOf(older), "older result");
  EXPECT_TRUE(contains(contentOf(report), "\"status\": \"failed\""));
  expectOnlyPiecesAnd({"result.png", "report.json"});
}

TEST_F(StitchProgramTest, OutputFoldersThatCannotBeWrittenFailBeforeStitching) {
  const std::vector<std::string> files = pieces();
  for (const auto& options : std::vector<std::vector<std::string>>{
           {"-o", dir_.file("no-such-folder/out.jpg")},
           {"-o", dir_.file("out.jpg"), "--report", dir_.file("no-such-folder/r.json")}}) {
    const ProgramResult r = stitch(options, files);
    EXPECT_EQ(r.exitCode, 5) << r.err;
    EXPECT_TRUE(contains(r.err, "no-such-folder")) << r.err;
    EXPECT_FALSE(contains(r.err, "loading")) << r.err;
  }
  expectOnlyPiecesAnd({});
}

TEST_F(StitchProgramTest, CtrlCCancelsCleansUpAndKeepsTheOlderResult) {
  PieceSetPlan plan;
  plan.rows = 2;
  plan.columns = 2;
  plan.overlap = 240;
  plan.fileTurns = {0, 0, 2, 0};  // the engine writes a turned copy of one piece while aligning
  const std::string older = olderResult("result.jpg");
  const ProgramResult r = stitch({"-o", older}, pieces(plan),
                                 [](const std::string& err) { return contains(err, "aligning"); });
  EXPECT_EQ(r.exitCode, 130) << r.err;
  EXPECT_TRUE(contains(r.err, "cancelled")) << r.err;
  EXPECT_EQ(contentOf(older), "older result");
  expectOnlyPiecesAnd({"result.jpg"});
}

}  // namespace
