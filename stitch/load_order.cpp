#include "load_order.h"

#include <sys/stat.h>

#include <utility>

#include "QuiltexEngine.h"
#include "errors.h"

namespace tessaly::stitch {

namespace {

struct WriteTime {
  int64_t seconds;
  int64_t nanoseconds;
  bool operator>(const WriteTime& o) const {
    return seconds != o.seconds ? seconds > o.seconds : nanoseconds > o.nanoseconds;
  }
};

WriteTime writeTimeOf(const std::string& name) {
  struct stat info {};
  if (::stat(name.c_str(), &info) != 0) fail(QX_ERR_INPUT);
  return {static_cast<int64_t>(info.st_mtim.tv_sec), static_cast<int64_t>(info.st_mtim.tv_nsec)};
}

}  // namespace

void sortByWriteTime(std::vector<std::string>& names) {
  std::vector<WriteTime> times;
  times.reserve(names.size());
  for (const std::string& name : names) times.push_back(writeTimeOf(name));

  for (size_t i = 0; i + 1 < names.size(); ++i) {
    for (size_t j = i + 1; j < names.size(); ++j) {
      if (times[i] > times[j]) {
        std::swap(names[i], names[j]);
        std::swap(times[i], times[j]);
      }
    }
  }
}

}  // namespace tessaly::stitch
