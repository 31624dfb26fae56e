// A private temporary folder that also serves as $TMPDIR for the engine's temporary store, and
// helpers to write piece files with chosen modification times.
#pragma once

#include <string>

#include "picture.h"

namespace tessaly::stitch::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  // The engine's temporary store folder under this $TMPDIR.
  std::string storeFolder() const { return path_ + "/StitchEngine_Tmp/"; }

 private:
  std::string path_;
  std::string previousTmpdir_;
  bool hadTmpdir_ = false;
};

// Writes picture as a BMP file at path and sets its modification time to `seconds`
// (plus nanoseconds) since the epoch.
void writePieceFile(const std::string& path, const Picture& picture, long seconds,
                    long nanoseconds = 0);
// Creates (or truncates) an empty file with the given modification time.
void touchFile(const std::string& path, long seconds, long nanoseconds = 0);

}  // namespace tessaly::stitch::test

// The command-line suites still spell this namespace by its former name.
namespace qxtest = tessaly::stitch::test;
