// What the command-line programs' tests share: a private temporary folder, running a built
// program with arguments, and small picture helpers.
#pragma once

#include <string>
#include <vector>

#include "bgr_image.h"

namespace clitest {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Runs program with arguments, its output going to `log` (a file; empty: discarded). Returns
// the exit code, or -1 when it did not exit normally.
int runProgram(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& log = "");

std::string readText(const std::string& path);

// A picture of flat colour with a few shapes, so that scans of it show where they lie.
tessaly::cli::BgrImage shapesPage(int32_t width, int32_t height);

// The largest difference of any channel between two pictures of the same size over the inner
// part that leaves `margin` pixels on every side.
int largestDifference(const tessaly::cli::BgrImage& a, const tessaly::cli::BgrImage& b,
                      int32_t margin);

}  // namespace clitest
