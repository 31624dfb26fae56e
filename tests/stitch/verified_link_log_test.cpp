// The link log: its text (offsets scaled to full resolution, numbers exact and locale-free) and
// that it is written only where the environment asks, whole or not at all.
#include "verified_link_log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "file_text.h"
#include "temp_folder.h"

namespace tessaly::stitch::verified {
namespace {

Arrangement twoLinks() {
  Arrangement a;
  a.support = 0.625;
  a.wellSupported = true;
  PairHypothesis first;
  first.a = 0;
  first.b = 2;
  first.quarterTurnsB = 1;
  first.bToA = {0.03125, 100.5, -3.25};
  first.score = 0.75;
  first.finerScore = 0.5;
  first.overlapFraction = 0.25;
  first.distinctness = 0.125;
  first.confirmed = true;
  PairHypothesis second = first;
  second.a = 1;
  second.b = 0;
  second.quarterTurnsB = 0;
  second.confirmed = false;
  a.keptLinks = {first, second};
  return a;
}

TEST(VerifiedLinkLog, TextScalesOffsetsToFullResolutionAndListsEveryKeptLink) {
  EXPECT_EQ(linkLogText(twoLinks(), 2),
            "tessaly-links 1\n"
            "support 0.625 1\n"
            "link 0 2 1 402 -13 0.03125 0.75 0.5 0.25 0.125 1\n"
            "link 1 0 0 402 -13 0.03125 0.75 0.5 0.25 0.125 0\n");
  Arrangement weak;
  weak.support = 0;
  EXPECT_EQ(linkLogText(weak, 0), "tessaly-links 1\nsupport 0 0\n");
}

class EnvironmentValue {
 public:
  explicit EnvironmentValue(const std::string& value) {
    setenv(kLinkLogVariable, value.c_str(), 1);
  }
  ~EnvironmentValue() { unsetenv(kLinkLogVariable); }
};

TEST(VerifiedLinkLog, WrittenOnlyToTheNamedFileAndNeverHalfWritten) {
  tessaly::test::TempFolder folder;
  const std::string path = folder.file("links.txt");
  {
    EnvironmentValue unset("");
    writeLinkLog(twoLinks(), 1);
  }
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
  {
    EnvironmentValue named(path);
    writeLinkLog(twoLinks(), 1);
  }
  EXPECT_EQ(tessaly::test::readText(path), linkLogText(twoLinks(), 1));
  {
    // A folder that does not exist: nothing is written and nothing is thrown.
    EnvironmentValue missing(folder.file("no/such/folder/links.txt"));
    writeLinkLog(twoLinks(), 1);
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

}  // namespace
}  // namespace tessaly::stitch::verified
