#include "bgr_image.h"

#include <new>
#include <stdexcept>

#include "quarter_turn.h"
#include "zanFileIO.h"

namespace tessaly::cli {

BgrImage makeImage(int32_t width, int32_t height, uint8_t fill) {
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
    throw std::invalid_argument("picture side out of range");
  BgrImage image;
  image.width = width;
  image.height = height;
  image.stride = (width * 3 + 3) / 4 * 4;
  image.bytes.assign(size_t(image.stride) * size_t(height), fill);
  return image;
}

BgrImage turnQuarters(const BgrImage& source, int turns) {
  turns = ((turns % 4) + 4) % 4;
  if (turns == 0) return source;
  int32_t width = 0, height = 0;
  turnedSize(source.width, source.height, turns, width, height);
  BgrImage turned = makeImage(width, height);
  turnBandInto(source.bytes.data(), source.stride, 0, source.height, source.width, source.height,
               turns, {turned.bytes.data(), turned.stride});
  return turned;
}

bool loadPlugins(std::string& error) {
  static int32_t loaded = _zanIOLoadPlugsEx(nullptr);
  if (loaded > 0) return true;
  char folder[1024] = {};
  zanIOPlugFolder(folder, int32_t(sizeof folder));
  error = std::string("no file-format plug-ins could be loaded from ") + folder + " (" +
          zanIOErrorText(loaded < 0 ? loaded : ZANIO_ERR_NO_PLUGIN) + ")";
  return false;
}

bool readPicture(const std::string& path, PictureFile& picture, std::string& error) {
  zanIOBGRInfo info{};
  info.size = sizeof info;
  int32_t code = 0;
  zanIOReader* reader = zanIOOpenBGR(path.c_str(), &info, &code);
  if (reader == nullptr) {
    error = "cannot open " + path + ": " + zanIOErrorText(code);
    return false;
  }
  try {
    picture.image = makeImage(info.width, info.height);
  } catch (const std::exception&) {
    zanIOCloseBGR(reader);
    error = "cannot hold " + path + " in memory (" + std::to_string(info.width) + " x " +
            std::to_string(info.height) + " pixels)";
    return false;
  }
  code = zanIOReadBGR(reader, picture.image.bytes.data(), picture.image.stride);
  zanIOCloseBGR(reader);
  if (code != ZANIO_OK) {
    error = "cannot read " + path + ": " + zanIOErrorText(code);
    return false;
  }
  picture.dpi = info.xDpi;
  return true;
}

bool writePicture(const std::string& path, const BgrImage& image, int32_t dpi, int quality,
                  std::string& error) {
  const int32_t format = zanIOFindFormatByExtension(path.c_str(), 1);
  if (format == 0) {
    error = "no plug-in writes the format of " + path + " (its extension names none)";
    return false;
  }
  SaveOptions options{};
  const SaveOptions* chosen = nullptr;
  if (format == PLUG_FORMAT_JPEG) {
    options = {sizeof options, quality, 0};
    chosen = &options;
  }
  const int32_t code = zanIOWriteBGR(path.c_str(), format, image.bytes.data(), image.width,
                                     image.height, image.stride, dpi, dpi, chosen);
  if (code != ZANIO_OK) {
    error = "cannot write " + path + ": " + zanIOErrorText(code);
    return false;
  }
  return true;
}

}  // namespace tessaly::cli
