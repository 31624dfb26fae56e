#include "picture_writer.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <algorithm>
#include <atomic>
#include <filesystem>

#include "engine_export.h"
#include "plugin_interface.h"
#include "tessaly/host/operations.h"
#include "zanengin.h"

namespace tessaly::app {
namespace {

using namespace tessaly::host;

// Rows converted per band: small enough that the band costs little beside the engine's copy.
constexpr int kBandRows = 64;
constexpr int32_t kTagXResolution = 14001;
constexpr int32_t kTagYResolution = 14002;

// An engine picture destroyed with its owner.
class EnginePicture {
 public:
  EnginePicture() : handle_(zanCreatePicture(nullptr)) {}
  EnginePicture(const EnginePicture&) = delete;
  EnginePicture& operator=(const EnginePicture&) = delete;
  ~EnginePicture() {
    if (handle_ != 0) zanDestroyPicture(handle_);
  }
  zanHandle get() const { return handle_; }

 private:
  zanHandle handle_;
};

void setValue(zanHandle picture, int32_t id, int32_t value) {
  zanSetPictureProperty(picture, id, &value, sizeof value, 0);
}

// Copies the host image into one 24-bit layer of the engine picture, converting a band of rows
// at a time, so the engine's layer is the only full copy made.
bool fillPicture(zanHandle picture, const QImage& image, QString* reason) {
  const int width = image.width(), height = image.height();
  int32_t error = 0;
  const zanHandle layer = zanCreateLayer(0, 0, width, height, &error);
  if (layer == 0) {
    *reason = QStringLiteral("the engine could not make a layer for the picture");
    return false;
  }
  for (int top = 0; top < height; top += kBandRows) {
    const int rows = std::min(kBandRows, height - top);
    const QImage band = image.copy(0, top, width, rows).convertToFormat(QImage::Format_BGR888);
    if (band.isNull() || zanSetLayerBits(band.constBits(), layer, 0, top, width, top + rows,
                                         int32_t(band.bytesPerLine()), 0) != ZAN_OK) {
      zanDestroyLayer(layer);
      *reason = QStringLiteral("there was not enough memory to convert the picture");
      return false;
    }
  }
  if (zanInsertLayer(picture, layer, 1) < 0) {
    zanDestroyLayer(layer);
    *reason = QStringLiteral("the engine could not take the picture's layer");
    return false;
  }
  setValue(picture, ZAN_PICT_WIDTH, width);
  setValue(picture, ZAN_PICT_HEIGHT, height);
  setValue(picture, ZAN_PICT_BPP, 24);
  return true;
}

// Resolution and save options: the writers take the resolution from the tags 14001 and 14002,
// the bit depth from 104 and the file to follow from 114.
void describe(zanHandle target, ZanObject* picture, int32_t format) {
  int32_t across = 0, down = 0;
  Zan0Inter(picture, op::kPictureResolution, reinterpret_cast<intptr_t>(&across),
            reinterpret_cast<intptr_t>(&down));
  if (across > 0) setValue(target, kTagXResolution, across);
  if (down > 0) setValue(target, kTagYResolution, down);
  const intptr_t bits = Zan0Inter(picture, op::kPictureSaveOption, kSaveOptionBitsPerPixel);
  if (format == PLUG_FORMAT_GIF) {
    setValue(target, ZAN_GEN_BITS, 8);
  } else if (bits == 1 || bits == 4 || bits == 8 || bits == 24) {  // depths a writer takes
    setValue(target, ZAN_GEN_BITS, int32_t(bits));
  }
  const auto* templatePath = reinterpret_cast<const char*>(
      Zan0Inter(picture, op::kPictureSaveOption, kSaveOptionTemplate));
  if (format == PLUG_FORMAT_TIFF && templatePath != nullptr) {
    const auto name = engineFileName(QString::fromUtf8(templatePath));
    if (name && QFileInfo::exists(QString::fromUtf8(templatePath)))
      zanSetPictureProperty(target, ZAN_GEN_SOURCE_FILE, name->data(),
                            uint32_t(name->size() * sizeof(char16_t)), 0);
  }
}

// A hidden name beside the target, unique to this write, that keeps the target's extension (the
// engine chooses the writer by it).
QString stagingPath(const QFileInfo& target) {
  static std::atomic<unsigned> counter{0};
  return QStringLiteral("%1/.sv%2-%3.%4")
      .arg(target.absolutePath(), QString::number(::getpid()), QString::number(++counter),
           target.suffix());
}

// Removes the staging file and whatever the engine left beside it: an export whose writer
// refuses the image at its start leaves its own temporary file (named after the staging file)
// behind.
void removeStaging(const QString& staging) {
  QFile::remove(staging);
  const QFileInfo info(staging);
  QDir folder(info.absolutePath());
  const QStringList leftovers =
      folder.entryList({"." + info.fileName() + ".*"}, QDir::Files | QDir::Hidden | QDir::System);
  for (const QString& name : leftovers) QFile::remove(folder.filePath(name));
}

bool fail(QString* reason, const QString& why) {
  if (reason) *reason = why;
  return false;
}

}  // namespace

bool writePicture(ZanObject* picture, const QString& path, QString* reason) {
  QImage image;
  if (!Zan0Inter(picture, op::kPictureImage, reinterpret_cast<intptr_t>(&image)) || image.isNull())
    return fail(reason, QStringLiteral("there is no picture to write"));
  const int32_t format = formatForExtension(QFileInfo(path).suffix());
  if (format == 0)
    return fail(reason, QStringLiteral("the file type is not one the program saves"));
  const QFileInfo target(path);
  const QString staging = stagingPath(target);
  const auto name = engineFileName(staging);
  if (!name) return fail(reason, QStringLiteral("the path is too long"));
  if (!formatPlugInsLoaded() || !formatHasWriter(format))
    return fail(reason, QStringLiteral("no writer for this file type is installed"));

  EnginePicture engine;
  if (engine.get() == 0) return fail(reason, QStringLiteral("the engine could not make a picture"));
  QString why;
  if (!fillPicture(engine.get(), image, &why)) return fail(reason, why);
  image = QImage();  // the engine's copy is all that is needed from here on
  describe(engine.get(), picture, format);
  // The file is written under the staging name and renamed over the target only when complete;
  // the export's own status is the only word on success.
  const int32_t status = zanExportImage(format, name->data(), engine.get(), nullptr);
  if (status != ZAN_OK) {
    removeStaging(staging);
    return fail(reason, exportFailureText(status));
  }
  std::error_code error;
  std::filesystem::rename(staging.toStdString(), target.absoluteFilePath().toStdString(), error);
  if (error) {
    removeStaging(staging);
    return fail(reason,
                QString::fromStdString("the file could not take its name: " + error.message()));
  }
  return true;
}

}  // namespace tessaly::app
