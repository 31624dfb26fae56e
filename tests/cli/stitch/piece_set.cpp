#include "piece_set.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <stdexcept>

#include "stitch_layout.h"
#include "zanFileIO.h"

namespace tessaly::cli::test {

void loadPlugins() {
  static const bool loaded = _zanIOLoadPlugsEx(nullptr) > 0;
  if (!loaded) throw std::runtime_error("no plug-ins next to the test program");
}

void writePicture(const std::string& path, const tessaly::stitch::test::Picture& picture,
                  int32_t dpi, long modifiedAt) {
  loadPlugins();
  const int32_t code = zanIOWriteBGR(path.c_str(), 0, picture.bytes.data(), picture.width,
                                     picture.height, picture.stride, dpi, dpi, nullptr);
  if (code != 0) throw std::runtime_error("cannot write " + path + ": " + zanIOErrorText(code));
  const struct timespec times[2] = {{modifiedAt, 0}, {modifiedAt, 0}};
  if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
    throw std::runtime_error("cannot set the time of " + path);
  }
}

tessaly::stitch::test::Picture readPicture(const std::string& path, int32_t* formatId,
                                           int32_t* xDpi) {
  loadPlugins();
  zanIOBGRInfo info{};
  info.size = sizeof info;
  int32_t code = 0;
  zanIOReader* reader = zanIOOpenBGR(path.c_str(), &info, &code);
  if (reader == nullptr) throw std::runtime_error("cannot open " + path);
  tessaly::stitch::test::Picture picture(info.width, info.height);
  code = zanIOReadBGR(reader, picture.bytes.data(), picture.stride);
  zanIOCloseBGR(reader);
  if (code != 0) throw std::runtime_error("cannot read " + path);
  if (formatId != nullptr) *formatId = info.formatId;
  if (xDpi != nullptr) *xDpi = info.xDpi;
  return picture;
}

std::vector<std::string> writePieceSet(const std::string& folder, const PieceSetPlan& plan) {
  tessaly::stitch::test::StitchLayout layout = tessaly::stitch::test::tiltedGrid(
      plan.rows, plan.columns, plan.width, plan.height, plan.overlap, plan.seed);
  std::vector<std::string> paths;
  for (size_t cell = 0; cell < layout.cells.size(); ++cell) {
    if (cell < plan.fileTurns.size()) layout.cells[cell].fileTurns = (4 - plan.fileTurns[cell]) % 4;
    const std::string path = folder + "/piece" + std::to_string(cell) + plan.extension;
    writePicture(path, layout.file(static_cast<int>(cell)), plan.dpi, 1000 + long(cell));
    paths.push_back(path);
  }
  return paths;
}

}  // namespace tessaly::cli::test
