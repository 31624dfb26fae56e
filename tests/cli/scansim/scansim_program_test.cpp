// tessaly-scansim as a user runs it: the files it writes, their sizes, resolution and times,
// the same bytes for the same seed, and one clear exit code for each kind of failure.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "bgr_image.h"
#include "cli_test_support.h"

namespace {

using tessaly::cli::PictureFile;

class ScanSimProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(tessaly::cli::loadPlugins(error)) << error;
    page = folder.file("page.png");
    ASSERT_TRUE(tessaly::cli::writePicture(page, clitest::shapesPage(600, 420), 200, 90, error)) << error;
  }

  int scansim(std::vector<std::string> arguments) {
    return clitest::runProgram(SCANSIM_PROGRAM, arguments, folder.file("log.txt"));
  }

  clitest::TempFolder folder;
  std::string page;
};

int64_t modified(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? int64_t(info.st_mtim.tv_sec) : -1;
}

TEST_F(ScanSimProgram, WritesTheScansTruthAndTimesOfASession) {
  const std::string out = folder.file("scans");
  ASSERT_EQ(scansim({"--grid", "2x2", "--turn", "4:90", "--start-time", "1500000000", page, out}), 0)
      << clitest::readText(folder.file("log.txt"));
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
  const std::string truth = clitest::readText(out + "/truth.json");
  EXPECT_NE(truth.find("\"file\": \"scan-04.jpg\""), std::string::npos);
  EXPECT_NE(truth.find("\"uprightQuarterTurns\": 1"), std::string::npos);
  EXPECT_NE(truth.find("\"width\": 600"), std::string::npos);
}

TEST_F(ScanSimProgram, SameSeedGivesTheSameFilesAndAnotherSeedOthers) {
  ASSERT_EQ(scansim({"--grid", "1x3", "--format", "png", "--seed", "7", page, folder.file("a")}), 0);
  ASSERT_EQ(scansim({"--grid", "1x3", "--format", "png", "--seed", "7", page, folder.file("b")}), 0);
  ASSERT_EQ(scansim({"--grid", "1x3", "--format", "png", "--seed", "8", page, folder.file("c")}), 0);
  for (const char* name : {"scan-01.png", "scan-02.png", "scan-03.png", "truth.json"}) {
    EXPECT_EQ(clitest::readText(folder.file("a/") + name), clitest::readText(folder.file("b/") + name));
    EXPECT_NE(clitest::readText(folder.file("a/") + name), clitest::readText(folder.file("c/") + name));
  }
}

TEST_F(ScanSimProgram, EachFailureHasItsExitCodeAndLeavesNoTruth) {
  EXPECT_EQ(scansim({}), 2);
  EXPECT_EQ(scansim({"--grid", "2y2", page, folder.file("x")}), 2);
  EXPECT_EQ(scansim({folder.file("missing.png"), folder.file("x")}), 3);
  std::string error;
  const std::string small = folder.file("small.png");
  ASSERT_TRUE(tessaly::cli::writePicture(small, clitest::shapesPage(100, 100), 0, 90, error));
  EXPECT_EQ(scansim({"--grid", "20x20", small, folder.file("x")}), 3);  // pieces too small
  EXPECT_FALSE(std::filesystem::exists(folder.file("x/truth.json")));
  // The output "folder" is a file: nothing can be written under it.
  EXPECT_EQ(scansim({page, page + "/scans"}), 4);
  EXPECT_EQ(scansim({"--format", "xyz", page, folder.file("y")}), 4);
  EXPECT_FALSE(std::filesystem::exists(folder.file("y/truth.json")));
  EXPECT_NE(clitest::readText(folder.file("log.txt")).find("xyz"), std::string::npos);
  EXPECT_EQ(scansim({"--help"}), 0);
}

}  // namespace
