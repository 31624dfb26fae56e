// tessaly-pagegen as a user runs it: paper sizes and resolution in the written file, and one
// exit code for each kind of failure, with no file left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "arguments.h"
#include "bgr_image.h"
#include "child_process.h"
#include "page_options.h"
#include "temp_folder.h"

namespace tessaly::cli {
namespace {

PageOptions parse(std::vector<const char*> words) {
  words.insert(words.begin(), "tessaly-pagegen");
  return parsePageOptions(int(words.size()), words.data());
}

TEST(PageOptions, PaperResolutionAndPixelSize) {
  EXPECT_EQ(parse({"p.png"}).width(), 1240);  // A4 at 150 dpi
  EXPECT_EQ(parse({"p.png"}).height(), 1754);
  const PageOptions a3 = parse({"--paper", "A3", "--landscape", "--dpi=100", "p.png"});
  EXPECT_EQ(a3.width(), 1654);
  EXPECT_EQ(a3.height(), 1169);
  EXPECT_EQ(parse({"--paper", "100x50", "--dpi", "254", "p.png"}).width(), 1000);
  const PageOptions sized = parse({"--size", "4216x5964", "--dpi", "300", "p.png"});
  EXPECT_EQ(sized.width(), 4216);
  EXPECT_EQ(sized.height(), 5964);
  for (const auto& words :
       std::vector<std::vector<const char*>>{{},
                                             {"a.png", "b.png"},
                                             {"--paper", "b5", "p.png"},
                                             {"--dpi", "20", "p.png"},
                                             {"--paper", "5000x5000", "--dpi", "1200", "p.png"},
                                             {"--size", "10x10", "p.png"}})
    EXPECT_THROW(parse(words), UsageError);
}

class PageGenProgram : public ::testing::Test {
 protected:
  tessaly::test::ChildResult run(const std::vector<std::string>& arguments) {
    return tessaly::test::runProgram(PAGEGEN_PROGRAM, arguments);
  }
  int pagegen(const std::vector<std::string>& arguments) { return run(arguments).exitCode; }

  tessaly::test::TempFolder folder;
};

TEST_F(PageGenProgram, WritesThePageWithItsResolution) {
  const tessaly::test::ChildResult r =
      run({"--paper", "a5", "--dpi", "100", folder.file("page.tif")});
  ASSERT_EQ(r.exitCode, 0) << r.standardError;
  std::string error;
  ASSERT_TRUE(loadPlugins(error)) << error;
  PictureFile page;
  ASSERT_TRUE(readPicture(folder.file("page.tif"), page, error)) << error;
  EXPECT_EQ(page.image.width, 583);
  EXPECT_EQ(page.image.height, 827);
  EXPECT_EQ(page.dpi, 100);
}

TEST_F(PageGenProgram, FailuresHaveTheirExitCodesAndLeaveNoFile) {
  EXPECT_EQ(pagegen({"--dpi", "abc", folder.file("a.png")}), 2);
  const tessaly::test::ChildResult noFonts =
      run({"--fonts", folder.file("none"), folder.file("b.png")});
  EXPECT_EQ(noFonts.exitCode, 3);
  EXPECT_NE(noFonts.standardError.find("fonts-dejavu-core"), std::string::npos);
  EXPECT_EQ(pagegen({"--dpi", "72", folder.file("no/such/folder/c.png")}), 4);
  EXPECT_EQ(pagegen({"--dpi", "72", folder.file("d.unknown")}), 4);
  EXPECT_FALSE(std::filesystem::exists(folder.file("a.png")));
  EXPECT_FALSE(std::filesystem::exists(folder.file("b.png")));
  EXPECT_FALSE(std::filesystem::exists(folder.file("d.unknown")));
}

}  // namespace
}  // namespace tessaly::cli
