// Control-group memory headroom read from made-up control group trees of both layouts: limits
// on the group itself and on an ancestor, "no limit" in either spelling, reclaimable file pages.
#include <gtest/gtest.h>

#include <filesystem>

#include "cgroup_memory.h"
#include "file_text.h"
#include "temp_folder.h"

namespace tessaly::cli::stitch {
namespace {

class CgroupTree : public ::testing::Test {
 protected:
  void group(const std::string& relative, const std::string& limitFile, const std::string& limit,
             const std::string& usageFile, const std::string& usage, const std::string& stat = "") {
    const std::string dir = root_.path() + relative;
    std::filesystem::create_directories(dir);
    tessaly::test::writeText(dir + "/" + limitFile, limit + "\n");
    tessaly::test::writeText(dir + "/" + usageFile, usage + "\n");
    if (!stat.empty()) tessaly::test::writeText(dir + "/memory.stat", stat);
  }
  void unified(const std::string& relative, const std::string& max, const std::string& current,
               const std::string& stat = "") {
    group(relative, "memory.max", max, "memory.current", current, stat);
  }
  void older(const std::string& relative, const std::string& limit, const std::string& usage,
             const std::string& stat = "") {
    group("/memory" + relative, "memory.limit_in_bytes", limit, "memory.usage_in_bytes", usage,
          stat);
  }
  std::optional<int64_t> headroom(const std::string& selfCgroup) const {
    return cgroupHeadroomBytes(root_.path(), selfCgroup);
  }

  tessaly::test::TempFolder root_;
};

TEST_F(CgroupTree, UnifiedLayoutTakesTheTightestLimitUpTheTree) {
  unified("/user/job", "max", "100");
  unified("/user", "1000", "400", "anon 300\ninactive_file 150\n");
  // The parent allows 1000 and holds 400, of which 150 can be reclaimed.
  EXPECT_EQ(headroom("0::/user/job\n"), 1000 - (400 - 150));
  unified("/user/job", "600", "500", "inactive_file 100\n");
  EXPECT_EQ(headroom("0::/user/job\n"), 600 - 400);
  unified("/user/job", "600", "900");  // over its limit: no headroom, never negative
  EXPECT_EQ(headroom("0::/user/job\n"), 0);
}

TEST_F(CgroupTree, OlderLayoutReadsTheMemoryHierarchyOnly) {
  older("/svc", "9223372036854771712", "500");  // the older layout's "no limit"
  EXPECT_EQ(headroom("4:memory:/svc\n3:cpu:/svc\n0::/svc\n"), std::nullopt);
  older("/svc", "2048", "1024", "total_inactive_file 24\ninactive_file 1000\n");
  EXPECT_EQ(headroom("4:memory:/svc\n"), 2048 - 1000);
  EXPECT_EQ(headroom("4:cpuacct,memory:/svc\n"), 2048 - 1000);
  EXPECT_EQ(headroom("4:cpu:/svc\n"), std::nullopt);  // not the memory hierarchy
}

TEST_F(CgroupTree, NoLimitOrNothingReadableIsNoAnswer) {
  EXPECT_EQ(headroom(""), std::nullopt);
  EXPECT_EQ(headroom("0::/missing\n"), std::nullopt);
  EXPECT_EQ(headroom("garbage without colons\n"), std::nullopt);
  unified("/a", "max", "12");
  unified("/b", "not a number", "12");
  EXPECT_EQ(headroom("0::/a\n"), std::nullopt);
  EXPECT_EQ(headroom("0::/b\n"), std::nullopt);
}

}  // namespace
}  // namespace tessaly::cli::stitch
