#include <gtest/gtest.h>

#include "command_line.h"
#include "settings.h"
#include "single_instance.h"
#include "tessaly/profile_store.h"
#include "user_folders.h"

namespace {

using namespace tessaly::app;

TEST(CommandLine, RelativeNamesFollowTheLastAbsoluteOneElseTheStartFolder) {
  EXPECT_EQ(resolveCommandLineFiles({"a.jpg", "/scans/b c.jpg", "d.jpg", "../e.jpg", ""},
                                    "/home/ann/work"),
            (std::vector<std::string>{"/home/ann/work/a.jpg", "/scans/b c.jpg", "/scans/d.jpg",
                                      "/e.jpg"}));
  EXPECT_TRUE(resolveCommandLineFiles({}, "/x").empty());
}

TEST(HandOverKeys, LaterStartsAddToWhatIsPendingAndTakingEmptiesIt) {
  app_test::UserFolders user;
  const std::string ini = user.file("Tessaly.ini");
  ASSERT_TRUE(handover::appendFiles(ini, {"/a/1.jpg"}));
  ASSERT_TRUE(handover::appendFiles(ini, {"/b/2.jpg", "/b/3.jpg"}));
  EXPECT_EQ(handover::pendingCount(ini), 3);
  EXPECT_EQ(handover::takeFiles(ini),
            (std::vector<std::string>{"/a/1.jpg", "/b/2.jpg", "/b/3.jpg"}));
  EXPECT_EQ(handover::pendingCount(ini), 0);
  EXPECT_TRUE(handover::takeFiles(ini).empty());
  EXPECT_EQ(tessaly::profile::readProfile(ini).text(), "[USER]\r\nMONITOR_DROG_NUM=0\r\n");
}

TEST(HandOverKeys, DroppingKeepsNothingPendingAndACountPastTheKeysIsSafe) {
  app_test::UserFolders user;
  const std::string ini = user.file("Tessaly.ini");
  handover::appendFiles(ini, {"/a/1.jpg"});
  handover::dropFiles(ini);
  EXPECT_EQ(handover::pendingCount(ini), 0);
  EXPECT_TRUE(handover::takeFiles(ini).empty());

  // A count larger than the keys written (a hand edit): the missing ones are skipped.
  tessaly::profile::writeProfileString(ini, "USER", "MONITOR_DROG_NUM", "4");
  tessaly::profile::writeProfileString(ini, "USER", "MONITOR_DROG_FILE1", "/only/this.jpg");
  EXPECT_EQ(handover::takeFiles(ini), (std::vector<std::string>{"/only/this.jpg"}));
}

TEST(InstanceLockTest, OnlyOneHolderAtATime) {
  app_test::UserFolders user;
  const std::string path = user.file("Tessaly.lock");
  auto first = InstanceLock::acquire(path);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(InstanceLock::acquire(path), nullptr);
  first.reset();
  EXPECT_NE(InstanceLock::acquire(path), nullptr);
  EXPECT_EQ(InstanceLock::acquire(user.file("no/such/folder/lock")), nullptr);
  EXPECT_EQ(handOverSocketName(path), handOverSocketName(path));
  EXPECT_NE(handOverSocketName(path), handOverSocketName(path + "2"));
}

}  // namespace
