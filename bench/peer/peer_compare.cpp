// Runs each contender of one piece set in its own process and prints a Markdown table of wall
// time, peak resident memory (the child's largest resident set) and the result's size, with the
// ratios against the targets: wall time at most 2 x the input/output floor and at most 0.25 x
// OpenCV's Stitcher, peak memory at most the result's bytes + 3 pieces' bytes + 64 MiB.
//
//   peer_compare --name NAME --grid RxC --page WxH --bin DIR --out DIR PIECE...
//
// Contenders: tessaly-stitch (when DIR holds it), peer_engine (the engine's exports called
// directly, with the time of each on its log), peer_floor and peer_opencv_scans (when built),
// the latter with its default confidence threshold (the reference) and with 0.5.
// Each one's output goes to OUT/<contender>.log.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"
#include "zanFileIO.h"

namespace {

struct Run {
  std::string name;
  std::string result;  // the file it writes
  double seconds = 0;
  double peakMiB = 0;
  int exit = -1;
  int32_t width = 0, height = 0;  // of the written result
};

struct Settings {
  std::string name, bin, out;
  int rows = 0, columns = 0;
  int32_t pageWidth = 0, pageHeight = 0;
  std::vector<std::string> pieces;
};

bool sizeOf(const std::string& path, int32_t& width, int32_t& height) {
  zanIOBGRInfo info{};
  info.size = sizeof info;
  int32_t error = 0;
  zanIOReader* reader = zanIOOpenBGR(path.c_str(), &info, &error);
  if (reader == nullptr) return false;
  zanIOCloseBGR(reader);
  width = info.width;
  height = info.height;
  return true;
}

// Runs argv in a child process, its output into log; measures wall time and peak memory.
Run measure(const std::string& name, const std::string& result, std::vector<std::string> argv,
            const std::string& log) {
  Run run{name, result};
  std::filesystem::remove(result);
  const std::string program = argv.front();
  argv.erase(argv.begin());
  const tessaly::test::ChildResult child = tessaly::test::runProgram(program, argv);
  run.seconds = child.seconds;
  run.peakMiB = double(child.peakMemoryBytes) / (1 << 20);
  run.exit = child.exitCode;
  std::ofstream(log, std::ios::binary) << child.standardOutput << child.standardError;
  if (run.exit == 0) sizeOf(result, run.width, run.height);
  return run;
}

std::vector<std::string> with(std::vector<std::string> head, const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

bool parse(int argc, char** argv, Settings& s) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    const bool hasValue = i + 1 < argc;
    if (word == "--name" && hasValue)
      s.name = argv[++i];
    else if (word == "--bin" && hasValue)
      s.bin = argv[++i];
    else if (word == "--out" && hasValue)
      s.out = argv[++i];
    else if (word == "--grid" && hasValue)
      std::sscanf(argv[++i], "%dx%d", &s.rows, &s.columns);
    else if (word == "--page" && hasValue)
      std::sscanf(argv[++i], "%dx%d", &s.pageWidth, &s.pageHeight);
    else
      s.pieces.push_back(word);
  }
  return !s.bin.empty() && !s.out.empty() && s.rows > 0 && s.columns > 0 && s.pageWidth > 0 &&
         !s.pieces.empty();
}

std::string ratio(double value, bool known) {
  if (!known) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  Settings s;
  if (!parse(argc, argv, s)) {
    std::fprintf(
        stderr,
        "usage: peer_compare --name NAME --grid RxC --page WxH --bin DIR --out DIR PIECE...\n");
    return 2;
  }
  if (_zanIOLoadPlugsEx(nullptr) <= 0) return 3;
  std::filesystem::create_directories(s.out);
  auto exists = [&](const char* program) {
    return ::access((s.bin + "/" + program).c_str(), X_OK) == 0;
  };
  auto result = [&](const char* name) { return s.out + "/" + name + ".jpg"; };
  auto logOf = [&](const char* name) { return s.out + "/" + name + ".log"; };

  std::vector<Run> runs;
  std::optional<size_t> ours, floorRun, opencv;
  if (exists("tessaly-stitch")) {
    runs.push_back(
        measure("tessaly-stitch", result("stitch"),
                with({s.bin + "/tessaly-stitch", "--quiet", "-o", result("stitch")}, s.pieces),
                logOf("stitch")));
    ours = runs.size() - 1;
    // The same with one thread, and the classic way with every core and with one.
    runs.push_back(measure(
        "tessaly-stitch --threads 1", result("stitch-1"),
        with({s.bin + "/tessaly-stitch", "--quiet", "--threads", "1", "-o", result("stitch-1")},
             s.pieces),
        logOf("stitch-1")));
    runs.push_back(measure(
        "tessaly-stitch --method classic", result("classic"),
        with({s.bin + "/tessaly-stitch", "--quiet", "--method", "classic", "-o", result("classic")},
             s.pieces),
        logOf("classic")));
    runs.push_back(measure("tessaly-stitch --method classic --threads 1", result("classic-1"),
                           with({s.bin + "/tessaly-stitch", "--quiet", "--method", "classic",
                                 "--threads", "1", "-o", result("classic-1")},
                                s.pieces),
                           logOf("classic-1")));
  }
  runs.push_back(measure("engine exports (peer_engine)", result("engine"),
                         with({s.bin + "/peer_engine", result("engine")}, s.pieces),
                         logOf("engine")));
  if (!ours) ours = runs.size() - 1;
  runs.push_back(measure(
      "input/output floor", result("floor"),
      with({s.bin + "/peer_floor", result("floor"), std::to_string(s.pageWidth),
            std::to_string(s.pageHeight), std::to_string(s.rows), std::to_string(s.columns)},
           s.pieces),
      logOf("floor")));
  floorRun = runs.size() - 1;
  if (exists("peer_opencv_scans")) {
    runs.push_back(measure("OpenCV Stitcher SCANS", result("opencv"),
                           with({s.bin + "/peer_opencv_scans", result("opencv")}, s.pieces),
                           logOf("opencv")));
    opencv = runs.size() - 1;
    // Its default keeps only the pieces it registers confidently; a lower threshold makes it
    // place every piece, which shows the time of a complete attempt.
    runs.push_back(measure(
        "OpenCV Stitcher SCANS, threshold 0.5", result("opencv-0.5"),
        with({s.bin + "/peer_opencv_scans", "--confidence", "0.5", result("opencv-0.5")}, s.pieces),
        logOf("opencv-0.5")));
  }

  int32_t pieceWidth = 0, pieceHeight = 0;
  sizeOf(s.pieces.front(), pieceWidth, pieceHeight);
  const Run& mine = runs[*ours];
  const double resultBytes = double(mine.width) * mine.height * 3;
  const double budgetMiB = (resultBytes + 3.0 * pieceWidth * pieceHeight * 3) / (1 << 20) + 64;
  std::printf("\n### %s: %zu pieces of %d x %d, page %d x %d\n\n", s.name.c_str(), s.pieces.size(),
              pieceWidth, pieceHeight, s.pageWidth, s.pageHeight);
  std::printf("Memory budget: result %d x %d x 3 + 3 pieces + 64 MiB = %.0f MiB\n\n", mine.width,
              mine.height, budgetMiB);
  std::printf(
      "| program | wall s | peak MiB | result | exit | time / floor (<= 2) | time / OpenCV (<= "
      "0.25) | peak / budget (<= 1) |\n");
  std::printf("|---|---:|---:|---|---:|---:|---:|---:|\n");
  const bool floorOk = runs[*floorRun].exit == 0;
  const bool opencvOk = opencv && runs[*opencv].exit == 0;
  for (const Run& run : runs) {
    std::printf("| %s | %.2f | %.0f | %d x %d | %d | %s | %s | %s |\n", run.name.c_str(),
                run.seconds, run.peakMiB, run.width, run.height, run.exit,
                ratio(run.seconds / runs[*floorRun].seconds, floorOk).c_str(),
                ratio(opencvOk ? run.seconds / runs[*opencv].seconds : 0, opencvOk).c_str(),
                ratio(run.peakMiB / budgetMiB, mine.width > 0).c_str());
  }
  return 0;
}
