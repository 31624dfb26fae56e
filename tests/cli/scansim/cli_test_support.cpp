#include "cli_test_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace clitest {

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-cli-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

int runProgram(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& log) {
  std::vector<char*> argv;
  std::string name = program;
  argv.push_back(name.data());
  std::vector<std::string> copies = arguments;
  for (std::string& argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string target = log.empty() ? "/dev/null" : log;
  posix_spawn_file_actions_addopen(&actions, 1, target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

std::string readText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

tessaly::cli::BgrImage shapesPage(int32_t width, int32_t height) {
  tessaly::cli::BgrImage page = tessaly::cli::makeImage(width, height, 200);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = page.pixel(x, y);
      // Smooth ramps with a checker of dark squares: every place looks different.
      p[0] = uint8_t(40 + 160 * x / width);
      p[1] = uint8_t(40 + 160 * y / height);
      p[2] = ((x / 24 + y / 24) % 2 == 0) ? 60 : 190;
    }
  return page;
}

int largestDifference(const tessaly::cli::BgrImage& a, const tessaly::cli::BgrImage& b,
                      int32_t margin) {
  int largest = 0;
  for (int32_t y = margin; y < a.height - margin; ++y)
    for (int32_t x = margin; x < a.width - margin; ++x)
      for (int ch = 0; ch < 3; ++ch)
        largest = std::max(largest, std::abs(int(a.pixel(x, y)[ch]) - int(b.pixel(x, y)[ch])));
  return largest;
}

}  // namespace clitest
