#include "settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "file_text.h"
#include "folders.h"
#include "user_folders.h"

namespace {

using namespace tessaly::app;
using tessaly::test::readText;
using tessaly::test::writeText;

class SettingsTest : public testing::Test {
 protected:
  std::string ini() const { return user_.file("Tessaly.ini"); }
  std::string set() const { return user_.file("Tessaly.set"); }
  app_test::UserFolders user_;
};

TEST_F(SettingsTest, EveryKeyHasItsDefaultWithoutFiles) {
  Settings settings(ini(), set());
  const std::string pictures = picturesFolder();
  EXPECT_EQ(settings.lastOpenFolder(), pictures);
  EXPECT_EQ(settings.lastSaveFolder(), pictures);
  EXPECT_EQ(settings.defaultExportPath(), pictures);
  EXPECT_EQ(settings.lastScanFileExt(), ".TIF");
  EXPECT_EQ(settings.defaultScanDevice(), "");
  EXPECT_EQ(settings.manualCropWidth(), 1200);
  EXPECT_EQ(settings.manualCropHeight(), 1200);
  EXPECT_EQ(settings.maxFilesNum(), 10);
  EXPECT_EQ(settings.maxSizeDiff(), 20);
  EXPECT_EQ(handover::pendingCount(ini()), 0);
  EXPECT_FALSE(std::filesystem::exists(ini()));  // reading writes nothing
}

TEST_F(SettingsTest, ValuesWrittenAreReadBackAndLandInSectionUser) {
  Settings settings(ini(), set());
  settings.setLastOpenFolder(user_.home());
  settings.setLastScanFileExt(".JPG");
  settings.setDefaultScanDevice("Flatbed A4");
  settings.setManualCropWidth(850);
  settings.setManualCropHeight(1100);
  EXPECT_EQ(settings.lastOpenFolder(), user_.home());
  EXPECT_EQ(settings.lastScanFileExt(), ".JPG");
  EXPECT_EQ(settings.defaultScanDevice(), "Flatbed A4");
  EXPECT_EQ(settings.manualCropWidth(), 850);
  EXPECT_EQ(settings.manualCropHeight(), 1100);
  EXPECT_EQ(readText(ini()), "[USER]\r\nlastopenfolder=" + user_.home() +
                                 "\r\nlastScanFileExt=.JPG\r\nDefaultScanDevice=Flatbed A4\r\n"
                                 "ManualCrop_Width=850\r\nManualCrop_Height=1100\r\n");
}

TEST_F(SettingsTest, AFolderThatIsGoneFallsBackToPictures) {
  writeText(ini(),
            "[USER]\nlastsavefolder=/no/such/folder\nDefaultExportPath=" + user_.home() + "\n");
  Settings settings(ini(), set());
  EXPECT_EQ(settings.lastSaveFolder(), picturesFolder());
  EXPECT_EQ(settings.defaultExportPath(), user_.home());
}

TEST_F(SettingsTest, CropSizesReadNineCharactersAndIgnoreGarbage) {
  writeText(ini(), "[USER]\nManualCrop_Width=1234567890\nManualCrop_Height=wide\n");
  Settings settings(ini(), set());
  EXPECT_EQ(settings.manualCropWidth(), 123456789);
  EXPECT_EQ(settings.manualCropHeight(), 1200);
}

TEST_F(SettingsTest, LimitsAreCachedButAZeroIsReadAgain) {
  writeText(set(), "[USER]\r\nMaxFilesNum=16\r\nMaxSizeDiff=0\r\n");
  Settings settings(ini(), set());
  EXPECT_EQ(settings.maxFilesNum(), 16);
  EXPECT_EQ(settings.maxSizeDiff(), 0);
  writeText(set(), "[USER]\r\nMaxFilesNum=4\r\nMaxSizeDiff=35\r\n");
  EXPECT_EQ(settings.maxFilesNum(), 16);  // cached
  EXPECT_EQ(settings.maxSizeDiff(), 35);  // 0 was read again
}

TEST_F(SettingsTest, TheShippedLimitsFileHoldsTheDefaults) {
  Settings shipped = Settings::standard();
  EXPECT_EQ(shipped.maxFilesNum(), 10);
  EXPECT_EQ(shipped.maxSizeDiff(), 20);
  EXPECT_EQ(shipped.iniPath(), appDataFolder() + "Tessaly.ini");
}

}  // namespace

TEST_F(SettingsTest, StitchMethodIsVerifiedUnlessClassicIsStored) {
  Settings settings(ini(), set());
  EXPECT_EQ(settings.stitchMethod(), "verified");
  settings.setStitchMethod("Classic");
  EXPECT_EQ(settings.stitchMethod(), "classic");
  settings.setStitchMethod("something else");
  EXPECT_EQ(settings.stitchMethod(), "verified");
}
