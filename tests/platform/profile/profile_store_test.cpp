#include "tessaly/profile_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "file_text.h"
#include "temp_folder.h"

namespace {

using namespace tessaly::profile;
using tessaly::test::ChildRun;
using tessaly::test::readText;
using tessaly::test::runChild;
using tessaly::test::runProgram;
using tessaly::test::TempFolder;
using tessaly::test::writeText;

TEST(ProfileStore, AMissingFileReadsAsDefaults) {
  TempFolder folder;
  EXPECT_EQ(readProfileString(folder.file("absent.ini"), "USER", "MaxFilesNum", "10"), "10");
  EXPECT_EQ(readProfile(folder.file("absent.ini")).text(), "");
}

TEST(ProfileStore, WritesAndRemovesKeysOnDiskLeavingNoTemporaryFiles) {
  TempFolder folder;
  const std::string path = folder.file("Tessaly.ini");
  writeText(path, "; mine\n[USER]\nkeep=1\n");
  ASSERT_TRUE(writeProfileString(path, "user", "lastsavefolder", "/home/ann"));
  EXPECT_EQ(readText(path), "; mine\n[USER]\nkeep=1\nlastsavefolder=/home/ann\n");
  ASSERT_TRUE(removeProfileKey(path, "USER", "KEEP"));
  ASSERT_TRUE(removeProfileKey(path, "USER", "never-there"));
  EXPECT_EQ(readText(path), "; mine\n[USER]\nlastsavefolder=/home/ann\n");

  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "Tessaly.ini" || name == "Tessaly.ini.lock") << name;
  }
}

TEST(ProfileStore, AFailedWriteReportsItAndLeavesNoTemporaryFile) {
  TempFolder folder;
  // A folder where the file should be: the rename over it fails.
  const std::string path = folder.file("Tessaly.ini");
  std::filesystem::create_directory(path);
  EXPECT_FALSE(writeProfileString(path, "USER", "new", "2"));
  EXPECT_TRUE(std::filesystem::is_directory(path));
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "Tessaly.ini" || name == "Tessaly.ini.lock") << name;
  }
  EXPECT_FALSE(writeProfileString(folder.file("no-such-folder/Tessaly.ini"), "USER", "k", "v"));
}

// A writer killed at arbitrary moments leaves a whole file of one generation every time.
TEST(ProfileStore, AKillDuringAWriteNeverLeavesAPartFile) {
  TempFolder folder;
  const std::string path = folder.file("Tessaly.ini");
  // A whole file of generation 0 to begin with: a writer killed before its first write (a
  // busy machine starts it slowly) must leave that one.
  ProfileFile start;
  for (int key = 0; key < 50; ++key) start.setValue("USER", "key" + std::to_string(key), "0");
  ASSERT_TRUE(writeProfile(path, start));
  for (int attempt = 0; attempt < 12; ++attempt) {
    ChildRun run;
    run.program = PROFILE_WRITER_CHILD;
    run.arguments = {"forever", path};
    run.timeLimit = std::chrono::milliseconds(40 + 17 * attempt);
    const auto result = runChild(run);
    ASSERT_TRUE(result.timedOut) << result.standardError;

    const ProfileFile profile = readProfile(path);
    const std::string first = profile.value("USER", "key0", "");
    ASSERT_FALSE(first.empty()) << "attempt " << attempt;
    for (int key = 1; key < 50; ++key) {
      ASSERT_EQ(profile.value("USER", "key" + std::to_string(key), ""), first)
          << "attempt " << attempt << " key " << key;
    }
  }
}

// The temporary files of killed writers go with the next write; files of the same stem that
// are not such leftovers stay.
TEST(ProfileStore, TheNextWriteRemovesWhatKilledWritersLeft) {
  TempFolder folder;
  const std::string path = folder.file("Tessaly.ini");
  for (int attempt = 0; attempt < 6; ++attempt) {
    ChildRun run;
    run.program = PROFILE_WRITER_CHILD;
    run.arguments = {"forever", path};
    run.timeLimit = std::chrono::milliseconds(30 + 23 * attempt);
    ASSERT_TRUE(runChild(run).timedOut);
  }
  writeText(path + ".writing-Ab12Cd", "half a file");  // as a kill before the rename leaves it
  writeText(path + ".writing-Ab12Cd.keep", "mine");
  writeText(path + ".backup", "mine");
  writeText(folder.file("Other.ini.writing-Zz99zz"), "another file's");

  ASSERT_TRUE(writeProfileString(path, "USER", "after", "1"));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Other.ini.writing-Zz99zz", "Tessaly.ini",
                                             "Tessaly.ini.backup", "Tessaly.ini.lock",
                                             "Tessaly.ini.writing-Ab12Cd.keep"}));
  EXPECT_EQ(readProfileString(path, "USER", "after", ""), "1");

  // A whole-file write cleans up the same way.
  writeText(path + ".writing-Q1w2E3", "");
  ASSERT_TRUE(writeProfile(path, readProfile(path)));
  EXPECT_FALSE(std::filesystem::exists(path + ".writing-Q1w2E3"));
}

// Two processes editing one file at once: every change of both is in the end.
TEST(ProfileStore, ConcurrentEditorsLoseNoChange) {
  TempFolder folder;
  const std::string path = folder.file("Tessaly.ini");
  ChildRun other;
  other.program = PROFILE_WRITER_CHILD;
  other.arguments = {"rounds", path, "b", "150"};
  std::thread background([&] { EXPECT_EQ(runChild(other).exitCode, 0); });
  EXPECT_EQ(runProgram(PROFILE_WRITER_CHILD, {"rounds", path, "a", "150"}).exitCode, 0);
  background.join();

  const ProfileFile profile = readProfile(path);
  for (int round = 0; round < 150; ++round) {
    EXPECT_EQ(profile.value("USER", "a" + std::to_string(round)), "1") << round;
    EXPECT_EQ(profile.value("USER", "b" + std::to_string(round)), "1") << round;
  }
}

}  // namespace
