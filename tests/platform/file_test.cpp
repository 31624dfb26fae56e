// Files: mode words, transfers, seeking, errors reported by wait and close, deleting, and the
// zan::File owner.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "zanFile.h"

namespace {

namespace fs = std::filesystem;

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("zanfile_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string path(const char* name) const { return (dir / name).string(); }
  fs::path dir;
};

TEST_F(FileTest, WriteThenReadBackWithSeeks) {
  const std::string name = path("a.bin");
  {
    zan::File f(name.c_str(), ZAN_FILE_MODE_REPLACE);
    ASSERT_TRUE(f);
    EXPECT_TRUE(f.writeAll("0123456789", 10));
    EXPECT_EQ(f.seek(-4, ZAN_FILE_END), 6);
    EXPECT_TRUE(f.writeAll("xy", 2));
    EXPECT_EQ(f.size(), 10);
    EXPECT_TRUE(f.wait());
    EXPECT_TRUE(f.close());
  }
  zan::File f(name.c_str(), ZAN_FILE_MODE_READ);
  char buffer[16] = {};
  EXPECT_EQ(f.read(buffer, 16), 10);  // short at the end of the file, not an error
  EXPECT_STREQ(buffer, "012345xy89");
  EXPECT_TRUE(f.wait());
  EXPECT_EQ(f.seek(2, ZAN_FILE_BEGIN), 2);
  EXPECT_EQ(f.seek(3, ZAN_FILE_CURRENT), 5);
  EXPECT_EQ(f.read(buffer, 1), 1);
  EXPECT_EQ(buffer[0], '5');
  EXPECT_EQ(f.seek(-100, ZAN_FILE_CURRENT), -1);  // before the start
  EXPECT_EQ(f.seek(0, 3), -1);                    // no such origin
  EXPECT_EQ(f.seek(0, ZAN_FILE_CURRENT), 6);
}

TEST_F(FileTest, ModeWordsCreateTruncateAppendAndRefuse) {
  const std::string name = path("m.txt");
  EXPECT_EQ(zanFileOpen(name.c_str(), ZAN_FILE_MODE_READ), 0u);  // missing
  EXPECT_EQ(zanFileOpen(name.c_str(), ZAN_FILE_WRITE), 0u);      // missing, no CREATE
  for (const uint32_t bad : {0u, ZAN_FILE_CREATE, ZAN_FILE_READ | ZAN_FILE_TRUNCATE,
                             ZAN_FILE_WRITE | ZAN_FILE_NEW, 0x100u | ZAN_FILE_READ})
    EXPECT_EQ(zanFileOpen(name.c_str(), bad), 0u) << bad;
  EXPECT_EQ(zanFileOpen(nullptr, ZAN_FILE_MODE_READ), 0u);

  zan::File(name.c_str(), ZAN_FILE_MODE_REPLACE).writeAll("abc", 3);
  zan::File(name.c_str(), ZAN_FILE_MODE_APPEND).writeAll("def", 3);
  EXPECT_EQ(fs::file_size(name), 6u);
  EXPECT_FALSE(zan::File(name.c_str(), ZAN_FILE_WRITE | ZAN_FILE_CREATE | ZAN_FILE_NEW));
  zan::File(name.c_str(), ZAN_FILE_MODE_REPLACE).writeAll("g", 1);
  EXPECT_EQ(fs::file_size(name), 1u);
  zan::File update(name.c_str(), ZAN_FILE_MODE_UPDATE);  // neither truncates nor creates
  EXPECT_EQ(update.size(), 1);
}

TEST_F(FileTest, FailedTransfersAreReportedByWaitAndClose) {
  const std::string name = path("r.txt");
  zan::File(name.c_str(), ZAN_FILE_MODE_REPLACE).writeAll("abc", 3);
  zan::File readOnly(name.c_str(), ZAN_FILE_MODE_READ);
  EXPECT_EQ(readOnly.write("x", 1), 0);
  EXPECT_FALSE(readOnly.wait());
  EXPECT_TRUE(readOnly.wait());  // reported once, then cleared
  EXPECT_EQ(readOnly.write("x", 1), 0);
  EXPECT_FALSE(readOnly.close());  // the failure since the last wait is not lost

  zan::File writeOnly(name.c_str(), ZAN_FILE_WRITE);
  char c;
  EXPECT_EQ(writeOnly.read(&c, 1), 0);
  EXPECT_FALSE(writeOnly.wait());

  zan::File full("/dev/full", ZAN_FILE_WRITE);
  if (full) {
    EXPECT_LT(full.write("abc", 3), 3);
    EXPECT_FALSE(full.close());
  }
}

TEST_F(FileTest, ClosedAndForeignHandlesAreRefused) {
  const std::string name = path("c.txt");
  const zanHandle h = zanFileOpen(name.c_str(), ZAN_FILE_MODE_REPLACE);
  ASSERT_NE(h, 0u);
  EXPECT_EQ(zanFileClose(h), 1);
  EXPECT_EQ(zanFileClose(h), 0);
  char c = 0;
  EXPECT_EQ(zanFileWrite(h, &c, 1), -1);
  EXPECT_EQ(zanFileRead(h, &c, 1), -1);
  EXPECT_EQ(zanFileSeek(h, 0, ZAN_FILE_BEGIN), -1);
  EXPECT_EQ(zanFileSize(h), -1);
  EXPECT_EQ(zanFileWait(h), 0);
  EXPECT_EQ(zanFileRead(0, &c, 1), -1);
  zan::File f(name.c_str(), ZAN_FILE_MODE_UPDATE);
  EXPECT_EQ(zanFileRead(f.handle(), nullptr, 1), -1);
  EXPECT_EQ(zanFileRead(f.handle(), &c, 0x80000000u), -1);
}

TEST_F(FileTest, DeleteRemovesTheFile) {
  const std::string name = path("d.txt");
  zan::File(name.c_str(), ZAN_FILE_MODE_REPLACE);
  EXPECT_TRUE(fs::exists(name));
  EXPECT_EQ(zanFileDelete(name.c_str()), 1);
  EXPECT_FALSE(fs::exists(name));
  EXPECT_EQ(zanFileDelete(name.c_str()), 0);
  EXPECT_EQ(zanFileDelete(nullptr), 0);
}

TEST_F(FileTest, OwnerClosesAndMovesItsHandle) {
  const std::string name = path("o.txt");
  zanHandle h;
  {
    zan::File a(name.c_str(), ZAN_FILE_MODE_REPLACE);
    h = a.handle();
    zan::File b = std::move(a);
    EXPECT_FALSE(a);
    EXPECT_EQ(b.handle(), h);
  }
  EXPECT_EQ(zanFileWait(h), 0);  // closed by the owner
}

}  // namespace
