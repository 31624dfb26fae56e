// A private temporary folder for one run. The engine keeps its temporary files under $TMPDIR,
// so while the folder exists $TMPDIR points into it: two runs at once never meet in one
// folder, and whatever is left in it goes when the run ends.
#pragma once

#include <optional>
#include <string>

namespace tessaly::cli::stitch {

class WorkFolder {
 public:
  // Makes the folder under $TMPDIR (or /tmp). Throws Failure(Setup) when it cannot.
  WorkFolder();
  // Removes the folder with everything in it and gives $TMPDIR its old value back.
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::optional<std::string> previousTmpdir_;
};

}  // namespace tessaly::cli::stitch
