// A private temporary folder that also serves as $TMPDIR for the engine's temporary store, and
// helpers to write piece files with chosen modification times.
#pragma once

#include <string>

#include "picture.h"
#include "temp_folder.h"

namespace tessaly::stitch::test {

class TempDir {
 public:
  const std::string& path() const { return folder_.path(); }
  std::string file(const std::string& name) const { return folder_.file(name); }
  // The engine's temporary store folder under this $TMPDIR.
  std::string storeFolder() const { return path() + "/StitchEngine_Tmp/"; }

 private:
  tessaly::test::TempFolder folder_{"tessaly-stitch-test-"};
  tessaly::test::TmpdirOverride tmpdir_{folder_.path()};
};

// Writes picture as a BMP file at path and sets its modification time to `seconds`
// (plus nanoseconds) since the epoch.
void writePieceFile(const std::string& path, const Picture& picture, long seconds,
                    long nanoseconds = 0);
// Creates (or truncates) an empty file with the given modification time.
void touchFile(const std::string& path, long seconds, long nanoseconds = 0);

}  // namespace tessaly::stitch::test
