// A private folder for one test: made fresh under $TMPDIR (or /tmp) with a unique name, and
// removed with everything in it when the object goes. Tests never share a fixed path, so suites
// run side by side without meeting.
#pragma once

#include <optional>
#include <string>

namespace tessaly::test {

class TempFolder {
 public:
  // The folder's name starts with `prefix` ("tessaly-test-" when none is given). Throws
  // std::runtime_error when no folder can be made.
  explicit TempFolder(const std::string& prefix = "tessaly-test-");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  // The path of `name` inside the folder.
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Points $TMPDIR at a folder for as long as the object lives, then gives it its old value back
// (or unsets it): for code under test that keeps its temporary files under $TMPDIR in this
// process. A child process gets its $TMPDIR through ChildRun::environment instead.
class TmpdirOverride {
 public:
  explicit TmpdirOverride(const std::string& folder);
  ~TmpdirOverride();
  TmpdirOverride(const TmpdirOverride&) = delete;
  TmpdirOverride& operator=(const TmpdirOverride&) = delete;

 private:
  std::optional<std::string> previous_;
};

}  // namespace tessaly::test
