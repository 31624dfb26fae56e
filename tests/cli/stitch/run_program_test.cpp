// tessaly-stitch run as a child process on pieces the tests write: what it writes, prints and
// exits with, and what it leaves behind when it fails or is cancelled.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <set>
#include <thread>

#include "child_process.h"
#include "file_text.h"
#include "json_reader.h"
#include "piece_set.h"
#include "temp_folder.h"

namespace {

using tessaly::cli::test::PieceSetPlan;
using tessaly::test::ChildResult;
using tessaly::test::JsonValue;
using tessaly::test::readJsonFile;
using tessaly::test::readText;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class StitchProgramTest : public ::testing::Test {
 protected:
  // Runs the program with `options`, then the pieces. The test's folder is the program's
  // $TMPDIR, so whatever it makes for itself must be gone from there afterwards.
  ChildResult stitch(std::vector<std::string> options, const std::vector<std::string>& pieces,
                     std::function<bool(const std::string&)> interruptWhen = nullptr) {
    options.insert(options.end(), pieces.begin(), pieces.end());
    return tessaly::test::runChild({STITCH_PROGRAM,
                                    options,
                                    {{"TMPDIR", dir_.path()}},
                                    std::chrono::minutes(10),
                                    std::move(interruptWhen)});
  }

  std::vector<std::string> pieces(const PieceSetPlan& plan = {}) {
    return tessaly::cli::test::writePieceSet(dir_.path(), plan);
  }

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
    tessaly::test::writeText(path, "older result");
    return path;
  }

  tessaly::test::TempFolder dir_;
};

TEST_F(StitchProgramTest, RowOfTwoIsWrittenWithTheResolutionAndReportedFully) {
  const std::string out = dir_.file("out.tif"), report = dir_.file("report.json");
  const ChildResult r = stitch({"-o", out, "--report", report}, pieces());
  ASSERT_EQ(r.exitCode, 0) << r.standardError;
  EXPECT_TRUE(contains(r.standardOutput, "arrangement: 1 row x 2 columns")) << r.standardOutput;
  EXPECT_TRUE(contains(r.standardOutput, "result: " + out)) << r.standardOutput;
  EXPECT_TRUE(contains(r.standardError, "blending 100%")) << r.standardError;

  int32_t format = 0, dpi = 0;
  const tessaly::stitch::test::Picture result = tessaly::cli::test::readPicture(out, &format, &dpi);
  EXPECT_EQ(dpi, 300);
  EXPECT_GT(result.width, 1200);  // two 800-pixel pieces overlapping by 320
  EXPECT_LT(result.width, 1320);

  const JsonValue json = readJsonFile(report);
  EXPECT_EQ(json["status"].asString(), "ok");
  EXPECT_EQ(json["exitCode"].asInteger(), 0);
  EXPECT_TRUE(json["error"].isNull());
  EXPECT_EQ(json["result"]["width"].asInteger(), result.width);
  EXPECT_EQ(json["result"]["dpi"].asInteger(), 300);
  EXPECT_EQ(json["style"].asString(), "row");
  EXPECT_EQ(json["method"].asString(), "verified");
  // The one link the row rests on, between the two pieces, with the second about 480 pixels to
  // the side of the first (the pieces are cut slightly tilted).
  EXPECT_TRUE(contains(r.standardOutput, "links: 1 kept")) << r.standardOutput;
  const JsonValue& links = json["links"];
  EXPECT_TRUE(links["wellSupported"].asBool());
  ASSERT_EQ(links["kept"].size(), 1u);
  const JsonValue& link = links["kept"].items().front();
  EXPECT_NE(link["a"].asString(), link["b"].asString());
  EXPECT_NEAR(std::abs(link["dx"].asNumber()), 480, 24);
  EXPECT_NEAR(link["dy"].asNumber(), 0, 24);
  ASSERT_EQ(json["pieces"].size(), 2u);
  // Each piece is decoded once; every later load reads the decoded copy.
  for (const JsonValue& piece : json["pieces"].items()) {
    EXPECT_EQ(piece["decodes"].asInteger(), 1);
    EXPECT_GT(piece["cacheReads"].asInteger(), 0);
  }
  EXPECT_GT(json["peakMemoryBytes"].asInteger(), 0);
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
  const ChildResult r = stitch({"-o", out, "--report", report, files[0], "-r", "270", files[1],
                                "--rotate=180", files[2], files[3]},
                               {});
  ASSERT_EQ(r.exitCode, 0) << r.standardError;
  const JsonValue json = readJsonFile(report);
  EXPECT_EQ(json["pieces"][1]["rotation"].asInteger(), 270);
  EXPECT_EQ(json["pieces"][2]["rotation"].asInteger(), 180);
  // Turned back by the user, no piece needs a turn from the engine.
  const JsonValue& arrangement = json["arrangement"];
  EXPECT_EQ(arrangement["rows"].asInteger(), 2);
  EXPECT_EQ(arrangement["columns"].asInteger(), 2);
  for (const JsonValue& cell : arrangement["cells"].items())
    EXPECT_EQ(cell["quarterTurns"].asInteger(), 0) << cell["path"].asString();
  EXPECT_TRUE(contains(r.standardOutput, "2 rows x 2 columns")) << r.standardOutput;
  const tessaly::stitch::test::Picture result = tessaly::cli::test::readPicture(out);
  EXPECT_GT(result.width, 1300);
  EXPECT_LT(result.height, 1020);
}

// What a run tells about its pieces and arrangement, time and memory left out.
std::string reportedPieces(const JsonValue& report) {
  std::string text;
  for (const JsonValue& piece : report["pieces"].items()) {
    text += piece["path"].asString() + " decodes " + std::to_string(piece["decodes"].asInteger()) +
            " cacheReads " + std::to_string(piece["cacheReads"].asInteger()) + "\n";
  }
  for (const JsonValue& cell : report["arrangement"]["cells"].items()) {
    text += cell["path"].asString() + " turns " + std::to_string(cell["quarterTurns"].asInteger()) +
            "\n";
  }
  return text + "warnings " + std::to_string(report["warnings"].size());
}

// The pieces are decoded ahead of the engine with more than one thread; the engine must not see
// the difference.
TEST_F(StitchProgramTest, ResultAndReportAreTheSameWithOneTwoAndEightThreads) {
  PieceSetPlan plan;
  plan.rows = 2;
  plan.columns = 2;
  plan.overlap = 240;
  plan.fileTurns = {0, 1, 0, 0};
  const std::vector<std::string> files = pieces(plan);
  std::string firstResult, firstPieces;
  for (const char* threads : {"1", "2", "8"}) {
    const std::string out = dir_.file(std::string("out-") + threads + ".png");
    const std::string report = dir_.file(std::string("report-") + threads + ".json");
    const ChildResult r = stitch({"-o", out, "--report", report, "--threads", threads, files[0],
                                  "-r", "270", files[1], files[2], files[3]},
                                 {});
    ASSERT_EQ(r.exitCode, 0) << threads << " threads: " << r.standardError;
    const std::string result = readText(out), described = reportedPieces(readJsonFile(report));
    if (firstResult.empty()) {
      firstResult = result;
      firstPieces = described;
      EXPECT_TRUE(contains(described, "decodes 1 cacheReads")) << described;
      continue;
    }
    EXPECT_TRUE(result == firstResult) << threads << " threads give another result";
    EXPECT_EQ(described, firstPieces) << threads << " threads";
  }
}

// The failure line of a run's errors.
std::string failureLine(const std::string& errors) {
  const size_t at = errors.find("tessaly-stitch:");
  return at == std::string::npos ? "" : errors.substr(at, errors.find('\n', at) - at);
}

TEST_F(StitchProgramTest, APieceThatCannotBeReadFailsAlikeWithAndWithoutDecodingAhead) {
  PieceSetPlan plan;
  plan.columns = 3;
  plan.overlap = 300;
  plan.extension = ".bmp";
  std::vector<std::string> files = pieces(plan);
  std::filesystem::resize_file(files[2], std::filesystem::file_size(files[2]) / 2);
  const ChildResult one = stitch({"-o", dir_.file("out.png"), "--threads", "1"}, files);
  const ChildResult two = stitch({"-o", dir_.file("out.png"), "--threads", "2"}, files);
  EXPECT_EQ(one.exitCode, 3) << one.standardError;
  EXPECT_EQ(two.exitCode, one.exitCode) << two.standardError;
  EXPECT_TRUE(contains(failureLine(one.standardError), "piece2.bmp")) << one.standardError;
  EXPECT_EQ(failureLine(two.standardError), failureLine(one.standardError));
  expectOnlyPiecesAnd({});
}

TEST_F(StitchProgramTest, CropStraightenAndHalfSizeTogether) {
  const std::string out = dir_.file("out.jpg"), report = dir_.file("report.json");
  const ChildResult r =
      stitch({"-q", "--crop", "--straighten", "--output-size", "1", "-o", out, "--report", report},
             pieces());
  ASSERT_EQ(r.exitCode, 0) << r.standardError;
  EXPECT_EQ(r.standardOutput, "");
  EXPECT_EQ(r.standardError, "");
  int32_t dpi = 0;
  const tessaly::stitch::test::Picture result = tessaly::cli::test::readPicture(out, nullptr, &dpi);
  EXPECT_EQ(dpi, 150);  // half the pieces' 300
  EXPECT_LT(result.width, 660);
  EXPECT_LT(result.height, 300);
  const JsonValue json = readJsonFile(report);
  EXPECT_EQ(json["outputLevel"].asInteger(), 1);
  EXPECT_EQ(json["skew"].kind(), JsonValue::Kind::Object);
  EXPECT_EQ(json["appliedCrop"].kind(), JsonValue::Kind::Object);
  EXPECT_TRUE(json["seconds"].has("straightening")) << readText(report);
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
      {{"-o", older, "--style", "ring", files[0], files[1]},
       "tessaly-stitch: style 'ring' is neither 'row' nor 'grid'\n"
       "Try 'tessaly-stitch --help' for more.\n"},
      {{files[0], files[1]}, "-o RESULT"},
  };
  for (const Case& c : cases) {
    const ChildResult r = stitch(c.args, {});
    EXPECT_EQ(r.exitCode, 2) << r.standardError;
    EXPECT_TRUE(contains(r.standardError, c.says)) << r.standardError;
  }
  EXPECT_EQ(readText(older), "older result");
  expectOnlyPiecesAnd({"result.png"});
}

TEST_F(StitchProgramTest, HelpGoesToStandardOutput) {
  const ChildResult r = stitch({"--help"}, {});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.standardOutput.rfind("Usage: tessaly-stitch [options] -o RESULT", 0), 0u);
  EXPECT_EQ(r.standardError, "");
}

TEST_F(StitchProgramTest, UnsuitablePiecesAreNamedAndNothingIsWritten) {
  const std::vector<std::string> files = pieces();
  const std::string older = olderResult("result.png");
  const std::string tiny = dir_.file("piece-tiny.png"), small = dir_.file("piece-small.png");
  tessaly::cli::test::writePicture(tiny, tessaly::stitch::test::Picture(100, 14), 300, 5000);
  tessaly::cli::test::writePicture(small, tessaly::stitch::test::Picture(600, 450), 300, 5001);
  const std::string missing = dir_.file("piece-missing.jpg");
  for (const auto& [bad, says] : std::vector<std::pair<std::string, std::string>>{
           {missing, "piece-missing.jpg"}, {tiny, "1500"}, {small, "sides differ by 25 %"}}) {
    const ChildResult r = stitch({"-o", older, files[0], bad}, {});
    EXPECT_EQ(r.exitCode, 3) << r.standardError;
    EXPECT_TRUE(contains(r.standardError, says)) << r.standardError;
  }
  EXPECT_EQ(readText(older), "older result");
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
  const ChildResult r = stitch({"-o", older, "--report", report}, files);
  EXPECT_EQ(r.exitCode, 3) << r.standardError;
  EXPECT_TRUE(contains(r.standardError, "piece1.bmp")) << r.standardError;
  size_t failureLines = 0;
  for (size_t at = 0; (at = r.standardError.find("tessaly-stitch:", at)) != std::string::npos;
       ++at) {
    ++failureLines;
  }
  EXPECT_EQ(failureLines, 1u) << r.standardError;
  EXPECT_EQ(readText(older), "older result");
  const JsonValue json = readJsonFile(report);
  EXPECT_EQ(json["status"].asString(), "failed");
  EXPECT_EQ(json["exitCode"].asInteger(), 3);
  EXPECT_TRUE(contains(json["error"].asString(), "piece1.bmp"));
  expectOnlyPiecesAnd({"result.png", "report.json"});
}

TEST_F(StitchProgramTest, AJpegMissingOnlyItsEndMarkerIsStitchedAndNamedInAWarning) {
  std::vector<std::string> files = pieces();
  std::filesystem::resize_file(files[1], std::filesystem::file_size(files[1]) - 2);
  const std::string out = dir_.file("out.png"), report = dir_.file("report.json");
  const ChildResult r = stitch({"-o", out, "--report", report}, files);
  ASSERT_EQ(r.exitCode, 0) << r.standardError;
  EXPECT_TRUE(contains(r.standardOutput, "warning: '" + files[1] +
                                             "': the file ends without its "
                                             "end marker"))
      << r.standardOutput;
  const JsonValue json = readJsonFile(report);
  ASSERT_EQ(json["warnings"].size(), 1u);
  EXPECT_EQ(json["warnings"].items().front()["step"].asString(), "loading the pieces");
  expectOnlyPiecesAnd({"out.png", "report.json"});
}

TEST_F(StitchProgramTest, OutputFoldersThatCannotBeWrittenFailBeforeStitching) {
  const std::vector<std::string> files = pieces();
  for (const auto& options : std::vector<std::vector<std::string>>{
           {"-o", dir_.file("no-such-folder/out.jpg")},
           {"-o", dir_.file("out.jpg"), "--report", dir_.file("no-such-folder/r.json")}}) {
    const ChildResult r = stitch(options, files);
    EXPECT_EQ(r.exitCode, 5) << r.standardError;
    EXPECT_TRUE(contains(r.standardError, "no-such-folder")) << r.standardError;
    EXPECT_FALSE(contains(r.standardError, "loading")) << r.standardError;
  }
  expectOnlyPiecesAnd({});
}

// Rewrites the frame header of a JPEG file so that it claims width x height pixels; the scan
// data stays as small as it was.
void claimJpegSize(const std::string& path, uint16_t width, uint16_t height) {
  std::string bytes = readText(path);
  for (size_t i = 2; i + 9 < bytes.size(); ++i) {
    const auto marker = uint8_t(bytes[i + 1]);
    if (uint8_t(bytes[i]) != 0xFF || marker < 0xC0 || marker > 0xC2) continue;
    bytes[i + 5] = char(height >> 8);
    bytes[i + 6] = char(height);
    bytes[i + 7] = char(width >> 8);
    bytes[i + 8] = char(width);
    tessaly::test::writeText(path, bytes);
    return;
  }
  FAIL() << "no frame header in " << path;
}

TEST_F(StitchProgramTest, HugeHeadersAreRefusedBeforeDecodingWithLittleMemory) {
  const std::vector<std::string> files = pieces();
  const std::string older = olderResult("result.png");
  const std::string huge = dir_.file("piece-huge.jpg");
  std::filesystem::copy_file(files[1], huge);
  claimJpegSize(huge, 20000, 20000);
  ChildResult r = stitch({"-o", older, files[0], huge}, {});
  EXPECT_EQ(r.exitCode, 3) << r.standardError;
  EXPECT_TRUE(contains(r.standardError, "piece-huge.jpg")) << r.standardError;
  EXPECT_TRUE(contains(r.standardError, "--max-piece-pixels")) << r.standardError;
  EXPECT_LT(r.peakMemoryBytes, int64_t{1500} << 20);

  // A limit below the good pieces refuses them the same way.
  r = stitch({"-o", older, "--max-piece-pixels", "1000"}, files);
  EXPECT_EQ(r.exitCode, 3) << r.standardError;
  EXPECT_TRUE(contains(r.standardError, "piece")) << r.standardError;
  EXPECT_EQ(readText(older), "older result");
  expectOnlyPiecesAnd({"result.png"});
}

TEST_F(StitchProgramTest, AJobBeyondTheMachinesMemoryIsRefusedBeforeDecoding) {
  const std::vector<std::string> files = pieces();
  const std::string a = dir_.file("piece-big-a.jpg"), b = dir_.file("piece-big-b.jpg");
  std::filesystem::copy_file(files[0], a);
  std::filesystem::copy_file(files[1], b);
  claimJpegSize(a, 65000, 65000);  // about 12.7 GB each once decoded
  claimJpegSize(b, 65000, 65000);
  const ChildResult r =
      stitch({"-o", dir_.file("result.png"), "--max-piece-pixels", "5000000000", a, b}, {});
  if (r.exitCode == 3 && !contains(r.standardError, "memory"))
    GTEST_SKIP() << "this machine has memory for the job: " << r.standardError;
  EXPECT_EQ(r.exitCode, 1) << r.standardError;
  EXPECT_TRUE(contains(r.standardError, "GB of memory")) << r.standardError;
  EXPECT_LT(r.peakMemoryBytes, int64_t{1500} << 20);
  expectOnlyPiecesAnd({});
}

TEST_F(StitchProgramTest, CtrlCCancelsCleansUpAndKeepsTheOlderResult) {
  PieceSetPlan plan;
  plan.rows = 2;
  plan.columns = 2;
  plan.overlap = 240;
  plan.fileTurns = {0, 0, 2, 0};  // the engine writes a turned copy of one piece while aligning
  const std::string older = olderResult("result.jpg");
  const ChildResult r = stitch({"-o", older}, pieces(plan),
                               [](const std::string& err) { return contains(err, "aligning"); });
  EXPECT_EQ(r.exitCode, 130) << r.standardError;
  EXPECT_TRUE(contains(r.standardError, "cancelled")) << r.standardError;
  EXPECT_EQ(readText(older), "older result");
  expectOnlyPiecesAnd({"result.jpg"});
}

TEST_F(StitchProgramTest, CtrlCWhileLoadingStopsTheDecodingThreadToo) {
  PieceSetPlan plan;
  plan.rows = 2;
  plan.columns = 2;
  plan.overlap = 240;
  const ChildResult r = stitch({"-o", dir_.file("out.png"), "--threads", "2"}, pieces(plan),
                               [](const std::string& err) { return contains(err, "loading"); });
  EXPECT_EQ(r.exitCode, 130) << r.standardError;
  EXPECT_TRUE(contains(r.standardError, "cancelled")) << r.standardError;
  expectOnlyPiecesAnd({});
}

// Starts the program with standard error going to errorFile, sends each of signals once the
// errors show `when` (a short pause between them), and answers its exit code (-1 when a signal
// ended it).
int runAndSignal(const std::vector<std::string>& args, const std::string& tmpdir,
                 const std::string& errorFile, const std::string& when,
                 const std::vector<int>& signals) {
  std::vector<std::string> words = {STITCH_PROGRAM};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment = {"TMPDIR=" + tmpdir};
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string(*e).rfind("TMPDIR=", 0) != 0) environment.emplace_back(*e);
  }
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  pid_t child = 0;
  const int started =
      posix_spawn(&child, STITCH_PROGRAM, &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (started != 0) return -2;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  int status = 0;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (std::filesystem::exists(errorFile) && contains(readText(errorFile), when)) {
      for (int signal : signals) {
        ::kill(child, signal);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      ::waitpid(child, &status, 0);
      break;
    }
    if (std::chrono::steady_clock::now() > deadline) ::kill(child, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(StitchProgramTest, SigtermCancelsWithItsOwnCodeAndASecondSignalLeavesNoPartialResult) {
  PieceSetPlan plan;
  plan.rows = 2;
  plan.columns = 2;
  plan.overlap = 240;
  const std::vector<std::string> files = pieces(plan);
  const std::string older = olderResult("result.png");
  const std::string errors = dir_.file("errors.txt");
  std::vector<std::string> args = {"-o", older};
  args.insert(args.end(), files.begin(), files.end());
  EXPECT_EQ(runAndSignal(args, dir_.path(), errors, "aligning", {SIGTERM}), 143)
      << readText(errors);
  EXPECT_TRUE(contains(readText(errors), "cancelled")) << readText(errors);
  EXPECT_EQ(readText(older), "older result");
  expectOnlyPiecesAnd({"result.png", "errors.txt"});

  // Ctrl-C then SIGTERM while the result is written: the program leaves at once with the code
  // of the first, and its partly written files go with it. Its temporary folder may stay.
  EXPECT_EQ(runAndSignal(args, dir_.path(), errors, "writing", {SIGINT, SIGTERM}), 130)
      << readText(errors);
  EXPECT_EQ(readText(older), "older result");
  for (const std::string& name : folderNames()) {
    EXPECT_EQ(name.find(".part-"), std::string::npos) << name;
    EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
  }
}

}  // namespace
