#include "engine_export.h"

#include <algorithm>
#include <mutex>

#include "plugin_interface.h"
#include "zanFileIO.h"
#include "zanengin.h"

namespace tessaly::app {

bool formatPlugInsLoaded() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (zanIOGetPlugCount() <= 0) zanLoadFilePlugIns(nullptr);
  });
  return zanIOGetPlugCount() > 0;
}

std::optional<std::vector<char16_t>> engineFileName(const QString& path) {
  const std::u16string units = path.toStdU16String();
  if (units.empty() || units.size() >= size_t(ZANIO_NAME_UNITS)) return std::nullopt;
  std::vector<char16_t> name(ZANIO_NAME_UNITS, 0);
  std::copy(units.begin(), units.end(), name.begin());
  return name;
}

int32_t formatForExtension(const QString& extension) {
  QString upper = extension.toUpper();
  if (!upper.startsWith('.')) upper.prepend('.');
  if (upper == ".TIF" || upper == ".TIFF") return PLUG_FORMAT_TIFF;
  if (upper == ".JPG" || upper == ".JPEG") return PLUG_FORMAT_JPEG;
  if (upper == ".BMP") return PLUG_FORMAT_BMP;
  if (upper == ".GIF") return PLUG_FORMAT_GIF;
  return 0;
}

bool formatHasWriter(int32_t format) {
  return format != 0 && zanIOGetSaveList(format, 0, nullptr) > 0;
}

QString exportFailureText(int32_t code) {
  switch (code) {
    case ZAN_ERR_STREAM:
      return QStringLiteral("the file could not be created in its folder");
    case ZAN_ERR_ROWS:
      return QStringLiteral("the format cannot hold the picture, or writing its rows failed");
    case ZAN_ERR_CREATE:
      return QStringLiteral("there was not enough memory to write the picture");
    default:
      return QStringLiteral("the picture could not be written (code %1)").arg(code);
  }
}

}  // namespace tessaly::app
