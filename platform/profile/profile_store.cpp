#include "tessaly/profile_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tessaly::profile {
namespace {

bool writeAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += size_t(written);
  }
  return true;
}

// The mode the new file takes: the old file's, or read and write for the user alone.
mode_t modeFor(const std::string& path) {
  struct stat old {};
  return ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0600;
}

// An exclusive lock on "<path>.lock" for as long as the object lives.
class FileLock {
 public:
  explicit FileLock(const std::string& path)
      : fd_(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd_ >= 0) {
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_;
};

// A write's temporary file is "<file>.writing-XXXXXX": a name no user file is likely to have.
constexpr std::string_view kTemporaryMark = ".writing-";

// The characters mkstemp puts in place of "XXXXXX".
bool isTemporarySuffix(std::string_view suffix) {
  if (suffix.size() != 6) return false;
  for (const char c : suffix) {
    const bool alphanumeric =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!alphanumeric) return false;
  }
  return true;
}

// Removes the temporary files of writes that never reached their rename (the writer was killed
// or lost power). Runs under the file's lock, and every write takes that lock, so any such file
// seen now belongs to no living writer.
void removeLeftovers(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path target(path);
  const std::string prefix = target.filename().string() + std::string(kTemporaryMark);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
    if (!isTemporarySuffix(std::string_view(name).substr(prefix.size()))) continue;
    std::error_code ignored;
    if (it->is_regular_file(ignored)) fs::remove(it->path(), ignored);
  }
}

// Writes the text to a new temporary file beside `path` and renames it over `path`; the caller
// holds the lock.
bool replaceFile(const std::string& path, const std::string& text) {
  std::string temporary = path + std::string(kTemporaryMark) + "XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return false;
  const bool written = ::fchmod(fd, modeFor(path)) == 0 && writeAll(fd, text) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace

ProfileFile readProfile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return ProfileFile::parse(text.str());
}

bool writeProfile(const std::string& path, const ProfileFile& profile) {
  FileLock lock(path);
  if (!lock.held()) return false;
  removeLeftovers(path);
  return replaceFile(path, profile.text());
}

bool editProfile(const std::string& path, const std::function<void(ProfileFile&)>& change) {
  FileLock lock(path);
  if (!lock.held()) return false;
  removeLeftovers(path);
  ProfileFile profile = readProfile(path);
  change(profile);
  return replaceFile(path, profile.text());
}

std::string readProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view fallback) {
  return readProfile(path).value(section, key, fallback);
}

bool writeProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
  return editProfile(path, [&](ProfileFile& profile) { profile.setValue(section, key, value); });
}

bool removeProfileKey(const std::string& path, std::string_view section, std::string_view key) {
  return editProfile(path, [&](ProfileFile& profile) { profile.remove(section, key); });
}

}  // namespace tessaly::profile
