// The files named on the program's command line, made absolute.
#pragma once

#include <string>
#include <vector>

namespace tessaly::app {

// A relative name is joined to the folder of the last absolute name before it; when none came
// before, to `workingFolder` (the folder the program was started in, so a name given to a
// second start is never resolved against the running program's folder). Empty names are left
// out.
std::vector<std::string> resolveCommandLineFiles(const std::vector<std::string>& arguments,
                                                 const std::string& workingFolder);

}  // namespace tessaly::app
