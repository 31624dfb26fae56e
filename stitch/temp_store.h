// The engine's temporary store: one process-wide folder "StitchEngine_Tmp/" under the system
// temporary path ($TMPDIR, else /tmp) holding the turned pieces of the current alignment as
// numbered BMP files ("0.bmp", "1.bmp", ...). The file counter starts at 0 when the library
// loads and is never reset, so names are not reused within a process.
#pragma once

#include <string>
#include <vector>

namespace tessaly::stitch {

class TempStore {
 public:
  // Builds and creates the folder (an existing one is fine) and makes room for capacity files.
  // owner marks the session the store now serves; files another session left are deleted
  // first, while the same session preparing again keeps the files it already made. Throws
  // QX_ERR_SETUP when the folder cannot be made.
  void prepare(const void* owner, int capacity);

  // Reserves a new file name that did not exist before, records it and returns its full path.
  // Throws QX_ERR_SETUP when no file can be created.
  std::string takeFile();

  // Deletes every recorded file and removes the folder (left in place when others' files are
  // still in it). Does nothing unless owner prepared the store.
  void empty(const void* owner);

  const std::string& folder() const { return folder_; }

  static TempStore& instance();

 private:
  const void* owner_ = nullptr;
  std::string folder_;
  std::vector<int> files_;
  size_t capacity_ = 0;
  int counter_ = 0;
};

}  // namespace tessaly::stitch
