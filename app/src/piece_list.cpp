#include "piece_list.h"

#include <QFile>
#include <QImage>
#include <QTransform>
#include <algorithm>
#include <utility>

#include "piece_preview.h"
#include "tessaly/host/operations.h"

namespace tessaly::app {

using namespace tessaly::host;

namespace {

constexpr int kPreviewLimit = 800;
// A resolution the file leaves at 0 (or does not store) is taken as this many pixels per inch.
constexpr int kResolutionWhenUnknown = 50;

ZanObject* makePreviewPicture(const QImage& image) {
  ZanObject* picture = Zan0CreateObj(kPicture);
  if (picture && Zan0Inter(picture, op::kPictureSetImage, reinterpret_cast<intptr_t>(&image))) {
    return picture;
  }
  Zan0Release(picture);
  return nullptr;
}

int resolutionOf(int given, int fromFile) {
  if (given >= 1) return given;
  return fromFile >= 1 ? fromFile : kResolutionWhenUnknown;
}

// Turns the picture a quarter turn: to the left (counter-clockwise) or to the right.
bool turnPicture(ZanObject* picture, bool left) {
  QImage image;
  if (!Zan0Inter(picture, op::kPictureImage, reinterpret_cast<intptr_t>(&image)) ||
      image.isNull()) {
    return false;
  }
  const QImage turned = image.transformed(QTransform().rotate(left ? -90 : 90));
  return !turned.isNull() &&
         Zan0Inter(picture, op::kPictureSetImage, reinterpret_cast<intptr_t>(&turned));
}

}  // namespace

PieceItem::PieceItem() = default;
PieceItem::~PieceItem() {
  Zan0Release(preview);
}
PieceItem::PieceItem(PieceItem&& other) noexcept {
  *this = std::move(other);
}
PieceItem& PieceItem::operator=(PieceItem&& other) noexcept {
  if (this == &other) return *this;
  Zan0Release(preview);
  path = std::move(other.path);
  xResolution = other.xResolution;
  yResolution = other.yResolution;
  temporary = other.temporary;
  width = other.width;
  height = other.height;
  rotation = other.rotation;
  bitDepth = other.bitDepth;
  selected = other.selected;
  preview = std::exchange(other.preview, nullptr);
  file = std::move(other.file);
  return *this;
}

PieceList::PieceList() = default;

PieceList::~PieceList() {
  clear();
}

bool PieceList::add(const QString& path, int xResolution, int yResolution, bool temporary) {
  const QImage image = loadPreview(path, kPreviewLimit);
  if (image.isNull()) return false;
  PieceFacts facts;
  if (!readPieceFacts(path, facts)) return false;

  PieceItem item;
  item.preview = makePreviewPicture(image);
  if (!item.preview) return false;
  item.path = path;
  item.temporary = temporary;
  item.xResolution = resolutionOf(xResolution, facts.xResolution);
  item.yResolution = resolutionOf(yResolution, facts.yResolution);
  item.width = facts.width;
  item.height = facts.height;
  item.bitDepth = facts.bitDepth;
  // Held open while listed, so the file is not replaced between the preview and the stitch.
  item.file = std::make_unique<QFile>(path);
  if (!item.file->open(QIODevice::ReadOnly)) return false;

  const auto place = std::upper_bound(
      items_.begin(), items_.end(), path, [](const QString& wanted, const PieceItem& listed) {
        return QString::compare(wanted, listed.path, Qt::CaseInsensitive) < 0;
      });
  items_.insert(place, std::move(item));
  if (items_.size() == 1) {
    sourcePath_ = path;
    sourceBitDepth_ = facts.bitDepth;
  }
  return true;
}

bool PieceList::contains(const QString& path) const {
  return std::any_of(items_.begin(), items_.end(), [&](const PieceItem& item) {
    return QString::compare(item.path, path, Qt::CaseInsensitive) == 0;
  });
}

void PieceList::setSelected(int index, bool selected) {
  if (index >= 0 && index < count()) items_[size_t(index)].selected = selected;
}

int PieceList::selectedCount() const {
  return int(std::count_if(items_.begin(), items_.end(),
                           [](const PieceItem& item) { return item.selected; }));
}

std::vector<int> PieceList::rotateSelected(bool left) {
  std::vector<int> changed;
  for (int index = count() - 1; index >= 0; --index) {
    PieceItem& item = items_[size_t(index)];
    if (!item.selected || !turnPicture(item.preview, left)) continue;
    item.rotation = (item.rotation + (left ? 90 : 270)) % 360;
    std::swap(item.width, item.height);
    std::swap(item.xResolution, item.yResolution);
    changed.push_back(index);
  }
  std::reverse(changed.begin(), changed.end());
  return changed;
}

void PieceList::removeSelected() {
  for (size_t index = items_.size(); index-- > 0;) {
    if (items_[index].selected) drop(index);
  }
}

void PieceList::clear() {
  for (size_t index = items_.size(); index-- > 0;) drop(index);
}

void PieceList::closeFiles() {
  for (PieceItem& item : items_) {
    if (item.file) item.file->close();
  }
}

PieceExtremes PieceList::extremes() const {
  PieceExtremes result;
  if (items_.empty()) return result;
  const PieceItem& first = items_.front();
  result = {first.width,       first.width,       first.height,      first.height,
            first.xResolution, first.xResolution, first.yResolution, first.yResolution};
  for (const PieceItem& item : items_) {
    result.minWidth = std::min(result.minWidth, item.width);
    result.maxWidth = std::max(result.maxWidth, item.width);
    result.minHeight = std::min(result.minHeight, item.height);
    result.maxHeight = std::max(result.maxHeight, item.height);
    result.minXResolution = std::min(result.minXResolution, item.xResolution);
    result.maxXResolution = std::max(result.maxXResolution, item.xResolution);
    result.minYResolution = std::min(result.minYResolution, item.yResolution);
    result.maxYResolution = std::max(result.maxYResolution, item.yResolution);
  }
  return result;
}

// Only a file the program wrote itself (a scan in the work folder) goes with its piece; a file
// the user brought is never deleted, whatever the list was fed from.
void PieceList::drop(size_t index) {
  PieceItem& item = items_[index];
  if (item.file) item.file->close();
  if (item.temporary) QFile::remove(item.path);
  items_.erase(items_.begin() + std::ptrdiff_t(index));
}

}  // namespace tessaly::app
