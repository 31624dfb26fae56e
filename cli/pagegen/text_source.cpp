#include "text_source.h"

#include <cstdio>

namespace tessaly::cli {
namespace {

const std::vector<const char*> kAdjectives = {
    "northern", "seasonal", "shallow", "dense",  "open",     "upper",   "lower",     "recent",
    "average",  "marked",   "steady",  "local",  "western",  "narrow",  "wide",      "early",
    "late",     "mixed",    "clear",   "sparse", "moderate", "eastern", "sheltered", "exposed"};
const std::vector<const char*> kNouns = {
    "survey",     "wetland",    "reed bed", "shoreline", "water level", "sample",
    "transect",   "meadow",     "inlet",    "channel",   "catchment",   "monitoring site",
    "bird count", "vegetation", "sediment", "stream",    "habitat",     "flow",
    "margin",     "plot",       "record",   "season",    "estimate",    "pond"};
const std::vector<const char*> kVerbs = {"shows",     "confirms", "suggests", "reflects", "follows",
                                         "exceeds",   "matches",  "supports", "limits",   "affects",
                                         "indicates", "balances", "reduces",  "extends"};
const std::vector<const char*> kLinks = {"along",  "within", "across",     "near",   "below",
                                         "beyond", "around", "throughout", "against"};
const std::vector<const char*> kClauses = {
    "as in the previous year",          "despite the dry spring",
    "after the autumn floods",          "at most of the sites",
    "in the second half of the season", "when measured at dawn",
    "within the expected range",        "for the first time since the survey began"};
const std::vector<const char*> kTopics = {
    "Summary",         "Methods",         "Field observations", "Water quality",
    "Results by site", "Vegetation",      "Breeding birds",     "Discussion",
    "Outlook",         "Recommendations", "Data handling",      "Acknowledgements"};
const std::vector<const char*> kSites = {
    "North Marsh", "Alder Creek", "Stone Bridge", "Reed Bay",   "Willow Flats", "Heron Point",
    "Mill Pond",   "East Meadow", "Ash Hollow",   "Otter Pool", "Fen Corner",   "Long Reach"};

std::string capitalised(std::string text) {
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = char(text[0] - 'a' + 'A');
  return text;
}

}  // namespace

const char* TextSource::pick(const std::vector<const char*>& words) {
  return words[random_.below(uint32_t(words.size()))];
}

std::string TextSource::sentence() {
  std::string s = std::string("the ") + pick(kAdjectives) + " " + pick(kNouns) + " " +
                  pick(kVerbs) + " the " + pick(kNouns) + " " + pick(kLinks) + " the " +
                  pick(kAdjectives) + " " + pick(kNouns);
  if (random_.below(3) == 0) s += std::string(", ") + pick(kClauses);
  if (random_.below(4) == 0) {
    char figure[48];
    std::snprintf(figure, sizeof figure, " (%.1f %% of %d plots)", random_.uniform(2, 96),
                  between(12, 240));
    s += figure;
  }
  return capitalised(s) + ".";
}

std::string TextSource::paragraph(int sentences) {
  std::string text;
  for (int k = 0; k < sentences; ++k) text += (k > 0 ? " " : "") + sentence();
  return text;
}

std::string TextSource::heading(int number) {
  return std::to_string(number) + "  " + pick(kTopics);
}

std::string TextSource::tableTitle(int number) {
  return "Table " + std::to_string(number) + ". " + capitalised(pick(kNouns)) + " by site, " +
         std::to_string(between(2015, 2024));
}

std::string TextSource::figureCaption(int number) {
  return "Figure " + std::to_string(number) + ". View " + pick(kLinks) + " the " +
         pick(kAdjectives) + " " + pick(kNouns) + " from the " + pick(kSites) + " hide; the " +
         pick(kNouns) + " lies in the middle distance.";
}

std::string TextSource::listItem() {
  return capitalised(std::string(pick(kAdjectives)) + " " + pick(kNouns) + " " + pick(kVerbs) +
                     " the " + pick(kNouns) + " " + pick(kLinks) + " " + pick(kSites)) +
         ".";
}

std::vector<std::vector<std::string>> TextSource::table(int rows) {
  std::vector<std::vector<std::string>> cells = {
      {"Site", "Area (ha)", "Samples", "Mean", "Change"}};
  const uint32_t first = random_.below(uint32_t(kSites.size()));
  for (int r = 0; r < rows; ++r) {
    char area[16], samples[16], mean[16], change[16];
    std::snprintf(area, sizeof area, "%.1f", random_.uniform(0.8, 140));
    std::snprintf(samples, sizeof samples, "%d", between(6, 480));
    std::snprintf(mean, sizeof mean, "%.2f", random_.uniform(0.05, 9.9));
    std::snprintf(change, sizeof change, "%+.1f %%", random_.uniform(-25, 25));
    cells.push_back({kSites[(first + uint32_t(r)) % kSites.size()], area, samples, mean, change});
  }
  return cells;
}

}  // namespace tessaly::cli
