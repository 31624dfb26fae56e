#include "folders.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "file_text.h"
#include "user_folders.h"

namespace {

using namespace tessaly::app;
using tessaly::test::writeText;
namespace fs = std::filesystem;

TEST(Folders, VersionNamesKeepTwoComponents) {
  EXPECT_EQ(versionFolderName("1.1.0.11"), "1.1");
  EXPECT_EQ(versionFolderName("2,5,0,1"), "2.5");
  EXPECT_EQ(versionFolderName("3.0 beta-2"), "3.0 beta");
  EXPECT_EQ(versionFolderName("7"), "7");
}

TEST(Folders, DataFolderFollowsXdgAndIsMade) {
  app_test::UserFolders user;
  const std::string expected =
      user.file("data") + "/Orlinda/Tessaly/" + versionFolderName(TESSALY_VERSION) + "/";
  EXPECT_EQ(appDataFolder(), expected);
  EXPECT_TRUE(fs::is_directory(expected));
  EXPECT_EQ(pictBinFolder(), expected + "PictBin/");
  EXPECT_TRUE(fs::is_directory(expected + "PictBin/"));

  ::unsetenv("XDG_DATA_HOME");  // the default under the home folder
  EXPECT_EQ(appDataFolder().rfind(user.home() + "/.local/share/Orlinda/Tessaly/", 0), 0u);
}

TEST(Folders, PicturesFolderComesFromUserDirsElseHome) {
  app_test::UserFolders user;
  EXPECT_EQ(picturesFolder(), user.home() + "/Pictures/");
  fs::create_directories(user.file("config"));
  writeText(user.file("config/user-dirs.dirs"),
            "# written by xdg-user-dirs-update\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
  EXPECT_EQ(picturesFolder(), user.home() + "/Bilder/");
  EXPECT_TRUE(fs::is_directory(user.home() + "/Bilder"));
}

TEST(Folders, UniqueNamesSkipEveryNameInUse) {
  app_test::UserFolders user;
  const std::string bin = pictBinFolder();
  EXPECT_EQ(uniquePictBinName(), bin + "Scaned1.TIF");
  writeText(bin + "Scaned1.TIF", "x");
  writeText(bin + "Scaned2.TIF", "x");
  fs::create_symlink(bin + "gone", bin + "Scaned3.TIF");  // a dangling link is in use too
  EXPECT_EQ(uniquePictBinName(), bin + "Scaned4.TIF");
  EXPECT_EQ(uniquePictBinName("Result.TIF"), bin + "Result1.TIF");
  writeText(bin + "Result1.TIF", "x");
  EXPECT_EQ(uniquePictBinName("Result.TIF"), bin + "Result2.TIF");
}

TEST(Folders, NoUniqueNameWhenTheWorkFolderCannotBeMade) {
  app_test::UserFolders user;
  writeText(user.file("data"), "a file where the data folder belongs");
  EXPECT_EQ(appDataFolder(), "");
  EXPECT_EQ(uniquePictBinName(), std::nullopt);
}

}  // namespace
