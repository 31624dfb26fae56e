#include "cgroup_memory.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace tessaly::cli::stitch {

namespace {

// Limits at or above this mean "none": the older layout writes a page-rounded 2^63 - 1.
constexpr int64_t kNoLimit = int64_t{1} << 60;

struct Layout {
  std::filesystem::path base;  // the hierarchy's mount point; the walk upwards stops there
  std::string limitFile, usageFile, inactiveKey;
};

std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  return text.str();
}

std::optional<int64_t> readNumber(const std::filesystem::path& path) {
  std::string text = readAll(path);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
  return value;
}

// A "key value" line of memory.stat; 0 when absent.
int64_t statValue(const std::filesystem::path& path, const std::string& key) {
  std::istringstream lines(readAll(path));
  std::string name;
  long long value = 0;
  while (lines >> name >> value) {
    if (name == key) return value;
  }
  return 0;
}

// The headroom one group gives, when it has a limit.
std::optional<int64_t> groupHeadroom(const std::filesystem::path& group, const Layout& layout) {
  const std::optional<int64_t> limit = readNumber(group / layout.limitFile);  // "max": none
  const std::optional<int64_t> usage = readNumber(group / layout.usageFile);
  if (!limit || *limit >= kNoLimit || !usage) return {};
  const int64_t inUse =
      std::max<int64_t>(*usage - statValue(group / "memory.stat", layout.inactiveKey), 0);
  return std::max<int64_t>(*limit - inUse, 0);
}

std::optional<int64_t> smallest(std::optional<int64_t> a, std::optional<int64_t> b) {
  if (!a) return b;
  if (!b) return a;
  return std::min(*a, *b);
}

// The group at `relative` below the layout's base, then each ancestor up to the base.
std::optional<int64_t> walkUp(const std::string& relative, const Layout& layout) {
  std::filesystem::path group = layout.base / std::filesystem::path(relative).relative_path();
  std::optional<int64_t> headroom;
  for (int depth = 0; depth < 64; ++depth) {
    headroom = smallest(headroom, groupHeadroom(group, layout));
    if (group == layout.base || !group.has_parent_path() || group.parent_path() == group) break;
    group = group.parent_path();
  }
  return headroom;
}

bool listsMemory(const std::string& controllers) {
  std::istringstream list(controllers);
  std::string name;
  while (std::getline(list, name, ',')) {
    if (name == "memory") return true;
  }
  return false;
}

}  // namespace

std::optional<int64_t> cgroupHeadroomBytes(const std::string& root, const std::string& selfCgroup) {
  const Layout unified{root, "memory.max", "memory.current", "inactive_file"};
  const Layout older{std::filesystem::path(root) / "memory", "memory.limit_in_bytes",
                     "memory.usage_in_bytes", "total_inactive_file"};
  std::istringstream lines(selfCgroup);
  std::string line;
  std::optional<int64_t> headroom;
  while (std::getline(lines, line)) {
    // hierarchy-id:controllers:path, where the path may itself hold colons.
    const size_t first = line.find(':');
    const size_t second = first == std::string::npos ? first : line.find(':', first + 1);
    if (second == std::string::npos) continue;
    const std::string id = line.substr(0, first);
    const std::string controllers = line.substr(first + 1, second - first - 1);
    const std::string path = line.substr(second + 1);
    if (id == "0" && controllers.empty()) headroom = smallest(headroom, walkUp(path, unified));
    if (listsMemory(controllers)) headroom = smallest(headroom, walkUp(path, older));
  }
  return headroom;
}

std::optional<int64_t> cgroupHeadroomBytes() {
  return cgroupHeadroomBytes("/sys/fs/cgroup", readAll("/proc/self/cgroup"));
}

}  // namespace tessaly::cli::stitch
