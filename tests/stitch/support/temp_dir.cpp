#include "temp_dir.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <fstream>
#include <stdexcept>

#include "bmp_writer.h"

namespace tessaly::stitch::test {

namespace {

void setWriteTime(const std::string& path, long seconds, long nanoseconds) {
  const struct timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
    throw std::runtime_error("utimensat failed");
}

}  // namespace

void writePieceFile(const std::string& path, const Picture& picture, long seconds,
                    long nanoseconds) {
  Picture copy = picture;
  const tagPixelArray view = copy.view();
  setWriteTime(tessaly::stitch::writeBmp(path, view), seconds, nanoseconds);
}

void touchFile(const std::string& path, long seconds, long nanoseconds) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).flush();
  setWriteTime(path, seconds, nanoseconds);
}

}  // namespace tessaly::stitch::test
