// The program's two settings files, all keys in section "USER": Tessaly.ini in the per-user
// data folder (read and written) and Tessaly.set in the program folder (product limits, read
// only). Values are read when used; only the two limits are cached.
#pragma once

#include <string>
#include <vector>

namespace tessaly::profile {
class ProfileFile;
}

namespace tessaly::app {

class Settings {
 public:
  // The files the program uses: appDataFolder() + "Tessaly.ini", programFolder() + "Tessaly.set".
  static Settings standard();
  Settings(std::string iniPath, std::string setPath);

  const std::string& iniPath() const { return iniPath_; }

  // Folder keys: the stored folder, or the pictures folder when none is stored or the stored
  // one no longer exists.
  std::string lastOpenFolder() const;
  void setLastOpenFolder(const std::string& folder);
  std::string lastSaveFolder() const;
  void setLastSaveFolder(const std::string& folder);
  std::string defaultExportPath() const;
  void setDefaultExportPath(const std::string& folder);

  std::string lastScanFileExt() const;  // ".TIF"
  void setLastScanFileExt(const std::string& extension);
  std::string defaultScanDevice() const;  // empty
  void setDefaultScanDevice(const std::string& name);

  // How the engine arranges and places the pieces: "verified" (the default) or "classic". Any
  // other stored value reads as "verified".
  std::string stitchMethod() const;
  void setStitchMethod(const std::string& method);

  // Hundredths of an inch, 1200 each by default; at most 9 characters of the value are read.
  int manualCropWidth() const;
  void setManualCropWidth(int hundredths);
  int manualCropHeight() const;
  void setManualCropHeight(int hundredths);

  // From Tessaly.set: 10 and 20 when absent. Read once; a limit of 0 is read again next time.
  int maxFilesNum();
  int maxSizeDiff();

 private:
  std::string read(const char* key, const char* fallback) const;
  void write(const char* key, const std::string& value) const;
  std::string folder(const char* key) const;
  int cropSize(const char* key) const;
  int limit(int& cached, const char* key, int fallback);

  std::string iniPath_;
  std::string setPath_;
  int maxFilesNum_ = 0;
  int maxSizeDiff_ = 0;
};

// Files handed from one start of the program to the running one, kept in Tessaly.ini as
// "MONITOR_DROG_NUM" and "MONITOR_DROG_FILE<i>".
namespace handover {

// In a profile already read: adds `files` after the pending ones, or with `replace` makes them
// the only ones.
void addFiles(profile::ProfileFile& file, const std::vector<std::string>& files, bool replace);

// Adds files after those already pending, so a start that comes while the running program is
// still starting up (and has not read them yet) loses none. False when the file cannot be
// written.
bool appendFiles(const std::string& iniPath, const std::vector<std::string>& files);
// The pending files in order; their keys are deleted and the count set to 0 in the same write.
std::vector<std::string> takeFiles(const std::string& iniPath);
// Drops whatever is pending: the keys go and the count becomes 0.
void dropFiles(const std::string& iniPath);
int pendingCount(const std::string& iniPath);

}  // namespace handover

}  // namespace tessaly::app
