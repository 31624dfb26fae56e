// tessaly-scansim as a user runs it: the files it writes, their sizes, resolution and times,
// the same bytes for the same seed, and one clear exit code for each kind of failure.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "bgr_image.h"
#include "child_process.h"
#include "file_text.h"
#include "json_reader.h"
#include "shapes_page.h"
#include "temp_folder.h"

namespace {

using tessaly::cli::PictureFile;
using tessaly::cli::test::shapesPage;
using tessaly::test::ChildResult;
using tessaly::test::JsonValue;
using tessaly::test::readText;

class ScanSimProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(tessaly::cli::loadPlugins(error)) << error;
    page = folder.file("page.png");
    ASSERT_TRUE(tessaly::cli::writePicture(page, shapesPage(600, 420), 200, 90, error)) << error;
  }

  ChildResult run(const std::vector<std::string>& arguments) {
    return tessaly::test::runProgram(SCANSIM_PROGRAM, arguments);
  }
  int scansim(const std::vector<std::string>& arguments) { return run(arguments).exitCode; }

  tessaly::test::TempFolder folder;
  std::string page;
};

int64_t modified(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? int64_t(info.st_mtim.tv_sec) : -1;
}

TEST_F(ScanSimProgram, WritesTheScansTruthAndTimesOfASession) {
  const std::string out = folder.file("scans");
  const ChildResult r =
      run({"--grid", "2x2", "--turn", "4:90", "--start-time", "1500000000", page, out});
  ASSERT_EQ(r.exitCode, 0) << r.standardError;
  int64_t previous = 0;
  for (const char* name : {"scan-01.jpg", "scan-02.jpg", "scan-03.jpg", "scan-04.jpg"}) {
    PictureFile scan;
    std::string error;
    ASSERT_TRUE(tessaly::cli::readPicture(out + "/" + name, scan, error)) << error;
    EXPECT_EQ(scan.dpi, 200);  // the page's resolution travels with the scans
    const bool turned = std::string(name) == "scan-04.jpg";
    // round(600 / 1.7) x round(420 / 1.7), sides swapped for the turned one
    EXPECT_EQ(scan.image.width, turned ? 247 : 353);
    EXPECT_EQ(scan.image.height, turned ? 353 : 247);
    const int64_t time = modified(out + "/" + name);
    EXPECT_GT(time, previous);
    previous = time;
  }
  EXPECT_EQ(modified(out + "/scan-01.jpg"), 1500000000);
  const JsonValue truth = tessaly::test::readJsonFile(out + "/truth.json");
  EXPECT_EQ(truth["page"]["width"].asInteger(), 600);
  EXPECT_EQ(truth["page"]["dpi"].asInteger(), 200);
  ASSERT_EQ(truth["pieces"].size(), 4u);
  const JsonValue& turned = truth["pieces"][3];
  EXPECT_EQ(turned["file"].asString(), "scan-04.jpg");
  EXPECT_EQ(turned["turnDegrees"].asInteger(), 90);
  EXPECT_EQ(turned["uprightQuarterTurns"].asInteger(), 1);
  EXPECT_EQ(turned["fileWidth"].asInteger(), 247);
  EXPECT_EQ(truth["pieces"][0]["uprightQuarterTurns"].asInteger(), 0);
  EXPECT_EQ(truth["pieces"][0]["modified"].asInteger(), 1500000000);
}

TEST_F(ScanSimProgram, SameSeedGivesTheSameFilesAndAnotherSeedOthers) {
  ASSERT_EQ(scansim({"--grid", "1x3", "--format", "png", "--seed", "7", page, folder.file("a")}),
            0);
  ASSERT_EQ(scansim({"--grid", "1x3", "--format", "png", "--seed", "7", page, folder.file("b")}),
            0);
  ASSERT_EQ(scansim({"--grid", "1x3", "--format", "png", "--seed", "8", page, folder.file("c")}),
            0);
  for (const char* name : {"scan-01.png", "scan-02.png", "scan-03.png", "truth.json"}) {
    EXPECT_EQ(readText(folder.file("a/") + name), readText(folder.file("b/") + name));
    EXPECT_NE(readText(folder.file("a/") + name), readText(folder.file("c/") + name));
  }
}

TEST_F(ScanSimProgram, EachFailureHasItsExitCodeAndLeavesNoTruth) {
  EXPECT_EQ(scansim({}), 2);
  EXPECT_EQ(scansim({"--grid", "2y2", page, folder.file("x")}), 2);
  EXPECT_EQ(scansim({folder.file("missing.png"), folder.file("x")}), 3);
  std::string error;
  const std::string small = folder.file("small.png");
  ASSERT_TRUE(tessaly::cli::writePicture(small, shapesPage(100, 100), 0, 90, error));
  EXPECT_EQ(scansim({"--grid", "20x20", small, folder.file("x")}), 3);  // pieces too small
  EXPECT_FALSE(std::filesystem::exists(folder.file("x/truth.json")));
  // The output "folder" is a file: nothing can be written under it.
  EXPECT_EQ(scansim({page, page + "/scans"}), 4);
  const ChildResult unknownFormat = run({"--format", "xyz", page, folder.file("y")});
  EXPECT_EQ(unknownFormat.exitCode, 4);
  EXPECT_FALSE(std::filesystem::exists(folder.file("y/truth.json")));
  EXPECT_NE(unknownFormat.standardError.find("xyz"), std::string::npos);
  EXPECT_EQ(scansim({"--help"}), 0);
}

}  // namespace
