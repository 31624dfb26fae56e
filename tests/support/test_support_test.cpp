// The shared test support: the JSON reader on what it must accept and refuse, the child runner
// on each way a child can end, and the temporary folder's life.
#include <gtest/gtest.h>

#include <filesystem>

#include "child_process.h"
#include "file_text.h"
#include "json_reader.h"
#include "temp_folder.h"

namespace tessaly::test {
namespace {

TEST(JsonReaderTest, ATreeOfEveryKindWithEscapes) {
  const JsonValue doc = parseJson(
      " {\"a\": [1, -2.5e1, true, null], \"s\": \"q\\\"\\\\\\n\\u00e9\\ud83d\\ude00\","
      " \"o\": {}, \"e\": []}\n");
  ASSERT_EQ(doc.kind(), JsonValue::Kind::Object);
  EXPECT_EQ((std::vector<std::string>{"a", "s", "o", "e"}), doc.names());
  EXPECT_EQ(doc["a"][0].asInteger(), 1);
  EXPECT_EQ(doc["a"][1].asNumber(), -25.0);
  EXPECT_TRUE(doc["a"][2].asBool());
  EXPECT_TRUE(doc["a"][3].isNull());
  EXPECT_EQ(doc["s"].asString(), "q\"\\\n\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(doc["o"].size(), 0u);
  EXPECT_EQ(doc["e"].size(), 0u);
  EXPECT_FALSE(doc.has("missing"));
  EXPECT_THROW(doc["missing"], JsonError);
  EXPECT_THROW(doc["a"][4], JsonError);
  EXPECT_THROW(parseJson("0.5").asInteger(), JsonError);
  EXPECT_THROW(doc["s"].asNumber(), JsonError);
}

TEST(JsonReaderTest, WhatIsNotJsonIsRefused) {
  for (const char* text : {"", "{", "[1,]", "{\"a\" 1}", "01", "1.", "-", "\"\\x\"", "\"a",
                           "\"\\ud800\"", "tru", "{} {}", "\"tab\there\"", "[1 2]"}) {
    EXPECT_THROW(parseJson(text), JsonError) << text;
  }
  EXPECT_THROW(parseJson(std::string(1000, '[')), JsonError);  // too deep, not a crash
}

TEST(ChildProcessTest, OutputStreamsExitCodeAndEnvironment) {
  ChildRun run{"/bin/sh",
               {"-c", "echo out; echo err >&2; echo \"$TESSALY_PROBE\"; exit 3"},
               {{"TESSALY_PROBE", "seen"}},
               std::nullopt,
               nullptr};
  const ChildResult r = runChild(run);
  EXPECT_TRUE(r.exited());
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.standardOutput, "out\nseen\n");
  EXPECT_EQ(r.standardError, "err\n");
  EXPECT_GT(r.peakMemoryBytes, 0);
}

TEST(ChildProcessTest, SignalsTimeLimitAndInterruptAreReported) {
  const ChildResult killed = runProgram("/bin/sh", {"-c", "kill -TERM $$"});
  EXPECT_FALSE(killed.exited());
  EXPECT_EQ(killed.signal, SIGTERM);

  ChildRun slow{"/bin/sh", {"-c", "sleep 30"}, {}, std::chrono::milliseconds(200), nullptr};
  const ChildResult stopped = runChild(slow);
  EXPECT_TRUE(stopped.timedOut);
  EXPECT_LT(stopped.seconds, 10);

  ChildRun waiting{
      "/bin/sh",
      {"-c", "trap 'echo caught; exit 7' INT; echo ready >&2; while :; do sleep 0.05; done"},
      {},
      std::chrono::seconds(20),
      [](const std::string& errors) { return errors.find("ready") != std::string::npos; }};
  const ChildResult interrupted = runChild(waiting);
  EXPECT_EQ(interrupted.exitCode, 7);
  EXPECT_EQ(interrupted.standardOutput, "caught\n");

  EXPECT_EQ(runProgram("/no/such/program", {}).exitCode, 127);
}

TEST(TempFolderTest, MadeUniqueUnderTmpdirAndRemovedWithItsFiles) {
  std::string kept;
  {
    TempFolder outer;
    TmpdirOverride tmpdir(outer.path());
    TempFolder a("probe-"), b("probe-");
    EXPECT_NE(a.path(), b.path());
    EXPECT_EQ(std::filesystem::path(a.path()).parent_path(), outer.path());
    writeText(a.file("x.txt"), "text");
    EXPECT_EQ(readText(a.file("x.txt")), "text");
    kept = a.path();
  }
  EXPECT_FALSE(std::filesystem::exists(kept));
}

}  // namespace
}  // namespace tessaly::test
