#include "scan_store.h"

#include <QImage>

#include "folders.h"
#include "picture_writer.h"
#include "scanned_image.h"
#include "tessaly/host/operations.h"

namespace tessaly::app {

using namespace tessaly::host;

std::optional<QString> storeScan(const ScannedImage& image) {
  const QImage pixels = toQImage(image);
  if (pixels.isNull()) return std::nullopt;
  const std::optional<std::string> name = uniquePictBinName();
  if (!name) return std::nullopt;
  ZanObject* picture = Zan0CreateObj(kPicture);
  bool written = false;
  if (picture && Zan0Inter(picture, op::kPictureSetImage, reinterpret_cast<intptr_t>(&pixels))) {
    Zan0Inter(picture, op::kPictureSetResolution, dotsPerInch(image.header.xPelsPerMeter),
              dotsPerInch(image.header.yPelsPerMeter));
    written = writePicture(picture, QString::fromStdString(*name));
  }
  Zan0Release(picture);
  if (!written) return std::nullopt;
  return QString::fromStdString(*name);
}

}  // namespace tessaly::app
