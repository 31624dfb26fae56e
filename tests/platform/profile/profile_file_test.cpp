#include "tessaly/profile_file.h"

#include <gtest/gtest.h>

#include "file_text.h"

namespace {

using tessaly::profile::ProfileFile;
using tessaly::test::readText;

std::string fixture(const std::string& name) {
  const std::string text = readText(std::string(PROFILE_FIXTURES) + "/" + name);
  EXPECT_FALSE(text.empty()) << name;
  return text;
}

TEST(ProfileFile, UnchangedFilesComeBackByteForByte) {
  for (const char* name : {"windows.ini", "unix.ini", "no_final_newline.ini"}) {
    const std::string text = fixture(name);
    EXPECT_EQ(ProfileFile::parse(text).text(), text) << name;
  }
  EXPECT_EQ(ProfileFile::parse("").text(), "");
}

TEST(ProfileFile, NamesMatchInAnyCaseAndBlanksAreTrimmed) {
  const ProfileFile windows = ProfileFile::parse(fixture("windows.ini"));
  EXPECT_EQ(windows.value("user", "LASTOPENFOLDER"), "/home/ann/Pictures");
  EXPECT_EQ(windows.value("USER", "manualcrop_width"), "1200");
  EXPECT_EQ(windows.value(" other ", " KEY "), "quoted value");

  const ProfileFile unix = ProfileFile::parse(fixture("unix.ini"));
  EXPECT_EQ(unix.value("USER", "lastopenfolder"), "/srv/scans");
  EXPECT_EQ(unix.value("USER", "maxfilesnum"), "12");
}

TEST(ProfileFile, AbsentKeysGiveTheFallback) {
  const ProfileFile unix = ProfileFile::parse(fixture("unix.ini"));
  EXPECT_EQ(unix.value("USER", "MaxSizeDiff"), std::nullopt);
  EXPECT_EQ(unix.value("USER", "MaxSizeDiff", "20"), "20");
  EXPECT_EQ(unix.value("empty", "anything", "x"), "x");
  EXPECT_EQ(unix.value("nowhere", "lastopenfolder", "d"), "d");
  // A key of another section is not found in this one, nor a comment as a key.
  EXPECT_EQ(ProfileFile::parse(fixture("windows.ini")).value("USER", "key"), std::nullopt);
  EXPECT_EQ(ProfileFile::parse("[a]\n;k=v\n").value("a", ";k"), std::nullopt);
}

TEST(ProfileFile, EditsTouchOnlyTheirLinesAndKeepTheLineEndings) {
  ProfileFile windows = ProfileFile::parse(fixture("windows.ini"));
  windows.setValue("user", "MANUALCROP_WIDTH", "900");
  windows.setValue("Other", "added", "yes");
  windows.setValue("New Section", "first", "1");
  EXPECT_EQ(windows.text(), fixture("windows_edited.ini"));

  ProfileFile unfinished = ProfileFile::parse(fixture("no_final_newline.ini"));
  unfinished.setValue("USER", "monitor_drog_num", "2");
  unfinished.setValue("USER", "MONITOR_DROG_FILE0", "/a b/c.jpg");
  EXPECT_EQ(unfinished.text(), fixture("no_final_newline_edited.ini"));
}

TEST(ProfileFile, RemovedKeysAreGoneAndTheRestStays) {
  ProfileFile windows = ProfileFile::parse(fixture("windows.ini"));
  EXPECT_TRUE(windows.remove("USER", "LastOpenFolder"));
  EXPECT_FALSE(windows.remove("USER", "LastOpenFolder"));
  EXPECT_FALSE(windows.remove("nowhere", "key"));
  EXPECT_EQ(windows.value("USER", "lastopenfolder"), std::nullopt);
  EXPECT_EQ(windows.text(),
            "[USER]\r\nManualCrop_Width = 1200 \r\n\r\n; the product limits live elsewhere\r\n"
            "[Other]\r\nkey=\"quoted value\"\r\n");
}

TEST(ProfileFile, NewFilesUseWindowsLineEndingsAndLongValuesStayWhole) {
  ProfileFile fresh;
  const std::string longPath = "/" + std::string(70000, 'p') + "/file.jpg";
  fresh.setValue("USER", "MONITOR_DROG_FILE0", longPath);
  EXPECT_EQ(fresh.text(), "[USER]\r\nMONITOR_DROG_FILE0=" + longPath + "\r\n");
  EXPECT_EQ(ProfileFile::parse(fresh.text()).value("USER", "monitor_drog_file0"), longPath);
}

}  // namespace
