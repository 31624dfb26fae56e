// A file written under a temporary name next to its final one and renamed over it only when it
// is complete: until then an older file of that name stays as it was, and a failure leaves
// nothing behind.
#pragma once

#include <string>

namespace tessaly::cli {

class StagedFile {
 public:
  // Reserves a new temporary name in the folder of `path`. Check ready() before use.
  explicit StagedFile(std::string path);
  ~StagedFile();  // removes the temporary file unless committed
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  bool ready() const { return !temporary_.empty(); }
  const std::string& temporaryPath() const { return temporary_; }
  // What went wrong last (reserving or committing), as the system says it.
  const std::string& error() const { return error_; }

  // Gives the file the permissions a new file gets and renames it over the final path.
  bool commit();

 private:
  std::string path_;
  std::string temporary_;
  std::string error_;
  bool committed_ = false;
};

// The folder a file of this path goes to ("." for a bare name).
std::string folderOf(const std::string& path);

// Writes text to path through a StagedFile; the system's reason on failure, else empty.
std::string writeTextFile(const std::string& path, const std::string& text);

}  // namespace tessaly::cli
