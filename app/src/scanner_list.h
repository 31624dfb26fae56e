// Which scanner the list preselects: the last one named like the remembered device, else the
// manager's default (the first source when the manager names none), else the first.
#pragma once

#include <string>
#include <vector>

namespace tessaly::app {

// The index to select among `names` (0 when the list is empty); names compare case-insensitively.
int preselectedScanner(const std::vector<std::string>& names, const std::string& managerDefault,
                       const std::string& remembered);

}  // namespace tessaly::app
