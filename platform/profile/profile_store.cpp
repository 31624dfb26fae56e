#include "tessaly/profile_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

}  // namespace

ProfileFile readProfile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return ProfileFile::parse(text.str());
}

bool writeProfile(const std::string& path, const ProfileFile& profile) {
  std::string temporary = path + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return false;
  const bool written =
      ::fchmod(fd, modeFor(path)) == 0 && writeAll(fd, profile.text()) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

bool editProfile(const std::string& path, const std::function<void(ProfileFile&)>& change) {
  FileLock lock(path);
  if (!lock.held()) return false;
  ProfileFile profile = readProfile(path);
  change(profile);
  return writeProfile(path, profile);
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
