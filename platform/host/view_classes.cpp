// The image view and thumbnail album classes: controls over the host's own widgets.
#include <algorithm>

#include "class_records.h"
#include "host_widgets.h"
#include "object_model.h"
#include "tessaly/host/widgets.h"

namespace tessaly::host {

extern ClassDescriptor panelClass;

namespace {

int32_t* intOut(intptr_t a) {
  return reinterpret_cast<int32_t*>(a);
}

intptr_t showPicture(ImageView* view, ZanObject* picture) {
  QImage image;
  if (picture && !Zan0Inter(picture, op::kPictureImage, reinterpret_cast<intptr_t>(&image))) {
    return 0;
  }
  view->setImage(image);
  return 1;
}

intptr_t viewOperation(ZanObject* object, int interface, int method, intptr_t a, intptr_t b) {
  auto* view = dynamic_cast<ImageView*>(widgetOf(object));
  if (!view || interface != op::kViewSetPicture.interface) {
    return panelClass.operation(object, interface, method, a, b);
  }
  switch (method) {
    case op::kViewSetPicture.method:
      return showPicture(view, reinterpret_cast<ZanObject*>(a));
    case op::kViewSetImage.method:
      view->setImage(a ? *reinterpret_cast<const QImage*>(a) : QImage());
      return 1;
    case op::kViewSetFit.method:
      view->setFit(a != 0);
      return 1;
    case op::kViewIsFit.method:
      return view->fit();
    case op::kViewSetZoom.method:
      if (a < 1) return 0;
      view->setZoom(int(std::min<intptr_t>(a, 6400)));
      return 1;
    case op::kViewZoom.method:
      return view->zoom();
    case op::kViewImageSize.method:
      *intOut(a) = view->image().width();
      *intOut(b) = view->image().height();
      return 1;
    case op::kViewSetScale.method:
      if (a < 1) return 0;
      view->setScale(int(std::min<intptr_t>(a, 640000)));
      return 1;
    case op::kViewScale.method:
      return view->scale();
    case op::kViewScrollPosition.method:
      *intOut(a) = view->scrollPosition().x();
      *intOut(b) = view->scrollPosition().y();
      return 1;
    case op::kViewSetScrollPosition.method:
      view->setScrollPosition(QPoint(int(a), int(b)));
      return 1;
    case op::kViewImageRect.method: {
      const QRect shown = view->imageRect();
      *reinterpret_cast<Rect*>(a) = {shown.left(), shown.top(), shown.left() + shown.width(),
                                     shown.top() + shown.height()};
      return 1;
    }
  }
  return 0;
}

bool validIndex(const Album* album, intptr_t index) {
  return index >= 0 && index < album->count();
}

intptr_t albumOperation(ZanObject* object, int interface, int method, intptr_t a, intptr_t b) {
  auto* album = dynamic_cast<Album*>(widgetOf(object));
  if (!album || interface != op::kAlbumAdd.interface) {
    return panelClass.operation(object, interface, method, a, b);
  }
  switch (method) {
    case op::kAlbumAdd.method:
      return album->add(widgetOf(reinterpret_cast<ZanObject*>(a)));
    case op::kAlbumCount.method:
      return album->count();
    case op::kAlbumRemove.method:
      if (!validIndex(album, a)) return 0;
      album->remove(int(a));
      return 1;
    case op::kAlbumClear.method:
      while (album->count() > 0) album->remove(album->count() - 1);
      return 1;
    case op::kAlbumSetCell.method:
      if (a <= 0 || b <= 0) return 0;
      album->setCellSize(QSize(int(a), int(b)));
      return 1;
    case op::kAlbumIsSelected.method:
      return validIndex(album, a) && album->item(int(a))->isSelected();
    case op::kAlbumSelect.method:
      if (!validIndex(album, a)) return 0;
      album->item(int(a))->setSelected(b != 0);
      return 1;
    case op::kAlbumFocused.method:
      return album->currentRow();
    case op::kAlbumSetFocused.method:
      if (!validIndex(album, a)) return 0;
      album->setCurrentRow(int(a), QItemSelectionModel::NoUpdate);
      return 1;
    case op::kAlbumCell.method: {
      if (!validIndex(album, a)) return 0;
      QWidget* cell = album->itemWidget(album->item(int(a)));
      return reinterpret_cast<intptr_t>(cell ? controlOf(cell) : nullptr);
    }
  }
  return 0;
}

}  // namespace

void registerViewClasses() {
  static ClassDescriptor classes[] = {derivedControl(kImageView, viewOperation),
                                      derivedControl(kAlbum, albumOperation)};
  for (ClassDescriptor& descriptor : classes) Zan0RegisterClass(&descriptor, 0);
}

}  // namespace tessaly::host
