// Reading the engine's link log: pieces named from the load order, and anything that is not a
// whole, sane log read as no log at all rather than as half a story.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "link_log.h"
#include "report.h"
#include "summary.h"

namespace tessaly::cli::stitch {
namespace {

const std::vector<std::string> kLoadOrder = {"left.png", "right.png", "below.png"};

TEST(LinkLogTest, LinksNamePiecesByLoadOrder) {
  const auto links = parseLinkLog(
      "tessaly-links 1\nsupport 0.5 1\n"
      "link 0 1 0 480.5 -2 0.001 0.9 0.8 0.4 0.3 1\n"
      "link 2 0 3 0 600 0 0.2 0 0.1 0 0\n",
      kLoadOrder);
  ASSERT_TRUE(links);
  EXPECT_EQ(links->support, 0.5);
  EXPECT_TRUE(links->wellSupported);
  ASSERT_EQ(links->kept.size(), 2u);
  EXPECT_EQ(links->kept[0].a, "left.png");
  EXPECT_EQ(links->kept[0].b, "right.png");
  EXPECT_EQ(links->kept[0].dx, 480.5);
  EXPECT_TRUE(links->kept[0].confirmed);
  EXPECT_EQ(links->kept[1].a, "below.png");
  EXPECT_EQ(links->kept[1].quarterTurnsB, 3);
  EXPECT_FALSE(links->kept[1].confirmed);
}

TEST(LinkLogTest, DamagedOrForeignLogsAreNoLogs) {
  for (const char* text : {
           "", "tessaly-links 2\nsupport 0.5 1\n", "tessaly-links 1\n",
           "tessaly-links 1\nsupport 0,5 1\n",                                // a locale's comma
           "tessaly-links 1\nsupport 0.5 1\nlink 0 3 0 1 1 0 1 1 1 1 1\n",    // piece 3 of 3
           "tessaly-links 1\nsupport 0.5 1\nlink 0 1 4 1 1 0 1 1 1 1 1\n",    // turn 4
           "tessaly-links 1\nsupport 0.5 1\nlink 0 1 0 1 1 0 1 1 1 1\n",      // cut short
           "tessaly-links 1\nsupport 0.5 1\nlink 0 1 0 1 1 0 1 1 1 1 1 7\n",  // one too many
       }) {
    EXPECT_FALSE(parseLinkLog(text, kLoadOrder)) << text;
  }
  const auto none = parseLinkLog("tessaly-links 1\nsupport 0 0\n", kLoadOrder);
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->kept.empty());
}

TEST(LinkLogTest, ReportAndSummaryShowTheLinksOnlyWhenThereAreAny) {
  RunRecord r;
  EXPECT_NE(reportJson(r).find("\"links\": null"), std::string::npos);
  EXPECT_EQ(summaryText(r).find("links:"), std::string::npos);
  r.links = parseLinkLog("tessaly-links 1\nsupport 0.25 0\nlink 0 1 1 480 0 0 0.9 0.8 0.4 0.3 1\n",
                         kLoadOrder);
  const std::string json = reportJson(r);
  for (const char* expected : {"\"wellSupported\": false", "\"a\": \"left.png\"",
                               "\"quarterTurnsB\": 1", "\"dx\": 480", "\"confirmed\": true"}) {
    EXPECT_NE(json.find(expected), std::string::npos) << expected;
  }
  EXPECT_NE(summaryText(r).find("links: 1 kept (1 confirmed on the finer level), support 0.25 "
                                "(weak)"),
            std::string::npos)
      << summaryText(r);
}

TEST(LinkLogTest, TheFileLivesAsLongAsTheLog) {
  const std::string folder = ::testing::TempDir();
  {
    LinkLog log(folder);
    ASSERT_NE(std::getenv("TESSALY_LINK_LOG"), nullptr);
    EXPECT_FALSE(log.read(kLoadOrder));  // the engine has written nothing yet
    FILE* f = std::fopen(std::getenv("TESSALY_LINK_LOG"), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("tessaly-links 1\nsupport 1 1\n", f);
    std::fclose(f);
    EXPECT_TRUE(log.read(kLoadOrder));
  }
  EXPECT_EQ(std::getenv("TESSALY_LINK_LOG"), nullptr);
  EXPECT_FALSE(std::filesystem::exists(folder + "/links.txt"));
}

}  // namespace
}  // namespace tessaly::cli::stitch
