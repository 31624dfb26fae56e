#include "scanner_list.h"

#include <strings.h>

namespace tessaly::app {
namespace {

bool sameName(const std::string& a, const std::string& b) {
  return strcasecmp(a.c_str(), b.c_str()) == 0;
}

}  // namespace

int preselectedScanner(const std::vector<std::string>& names, const std::string& managerDefault,
                       const std::string& remembered) {
  if (names.empty()) return 0;
  for (size_t i = names.size(); !remembered.empty() && i-- > 0;) {
    if (sameName(names[i], remembered)) return int(i);
  }
  const std::string& fallback = managerDefault.empty() ? names.front() : managerDefault;
  for (size_t i = 0; i < names.size(); ++i) {
    if (sameName(names[i], fallback)) return int(i);
  }
  return 0;
}

}  // namespace tessaly::app
