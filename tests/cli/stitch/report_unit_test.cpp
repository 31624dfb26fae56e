// The report's JSON: strings that stay valid whatever bytes a file name holds, and the shape
// of the document a finished run leaves.
#include <gtest/gtest.h>

#include "json_writer.h"
#include "report.h"
#include "summary.h"

namespace {

using tessaly::cli::jsonQuoted;

TEST(JsonTest, StringsAreEscapedAndInvalidUtf8IsReplaced) {
  EXPECT_EQ(jsonQuoted("plain"), "\"plain\"");
  EXPECT_EQ(jsonQuoted("a\"b\\c\nd\x01"), "\"a\\\"b\\\\c\\nd\\u0001\"");
  EXPECT_EQ(jsonQuoted("caf\xC3\xA9"), "\"caf\xC3\xA9\"");            // valid UTF-8 kept
  EXPECT_EQ(jsonQuoted("bad\xE9name"), "\"bad\xEF\xBF\xBDname\"");    // lone Latin-1 byte
  EXPECT_EQ(jsonQuoted("\xC0\xAF"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");  // overlong form
  EXPECT_EQ(jsonQuoted("\xED\xA0\x80"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");  // surrogate
  EXPECT_EQ(jsonQuoted("cut\xE2\x82"), "\"cut\xEF\xBF\xBD\xEF\xBF\xBD\"");            // cut short
}

TEST(JsonTest, NestedContainersGetCommasInTheRightPlaces) {
  tessaly::cli::JsonWriter json;
  json.beginObject().key("a").value(1).key("b").beginArray().value(true).null().endArray();
  json.key("c").beginObject().endObject().key("d").value(0.5).endObject();
  EXPECT_EQ(
      json.text(),
      "{\n  \"a\": 1,\n  \"b\": [\n    true,\n    null\n  ],\n  \"c\": {},\n  \"d\": 0.5\n}\n");
}

tessaly::cli::stitch::RunRecord finishedRun() {
  tessaly::cli::stitch::RunRecord r;
  r.pieces = {tessaly::cli::stitch::describePiece({"a.jpg", 90}, 1, 600, 800, 300, 300),
              tessaly::cli::stitch::describePiece({"b.jpg", 0}, 1, 800, 600, 0, 0)};
  r.style = "row";
  r.candidates = {{1, 2, {"a.jpg", "b.jpg"}, {0, 2}}};
  r.warnings = {{4100, "aligning the pieces", "an overlap is small"}};
  r.skewRadians = 0.01;
  r.proposedCrop = RECT{1, 2, 300, 400};
  r.times = {{"loading", 0.5}};
  r.decodes = {1, 1};
  r.cacheReads = {3, 3};
  r.output = "out.tif";
  r.outputFormat = "TIFF";
  r.status = "ok";
  return r;
}

TEST(ReportTest, AFinishedRunNamesEverythingTheReportPromises) {
  const std::string json = tessaly::cli::stitch::reportJson(finishedRun());
  for (const char* expected :
       {"\"status\": \"ok\"", "\"rotation\": 90", "\"width\": 800", "\"fileWidth\": 600",
        "\"fileHasResolution\": false", "\"arrangement\": {", "\"candidates\": [",
        "\"quarterTurns\": 2", "\"code\": 4100", "\"skew\": {", "\"proposedCrop\": {",
        "\"appliedCrop\": null", "\"loading\": 0.5", "\"peakMemoryBytes\": 0", "\"decodes\": 1"}) {
    EXPECT_NE(json.find(expected), std::string::npos) << expected;
  }
}

TEST(SummaryTest, ArrangementTurnsWarningsAndResultAreShown) {
  const std::string text = tessaly::cli::stitch::summaryText(finishedRun());
  EXPECT_NE(text.find("1 row x 2 columns"), std::string::npos) << text;
  EXPECT_NE(text.find("a.jpg | b.jpg (turned 180)"), std::string::npos) << text;
  EXPECT_NE(text.find("warning: an overlap is small"), std::string::npos) << text;
  EXPECT_NE(text.find("result: out.tif"), std::string::npos) << text;
}

}  // namespace
