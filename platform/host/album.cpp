#include <QItemSelectionModel>

#include "host_widgets.h"
#include "object_model.h"
#include "tessaly/host/widgets.h"

namespace tessaly::host {

namespace {
constexpr int kCellGap = 8;
}  // namespace

Album::Album(QWidget* parent) : QListWidget(parent) {
  setViewMode(QListView::IconMode);
  setResizeMode(QListView::Adjust);
  setMovement(QListView::Static);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setUniformItemSizes(true);
  setSpacing(0);
  setGridSize(cell_ + QSize(kCellGap, kCellGap));
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected, const QItemSelection& deselected) {
            reportSelection(selected, deselected);
          });
}

int Album::add(QWidget* cell) {
  auto* item = new QListWidgetItem(this);
  item->setSizeHint(cell_);
  if (cell) {
    cell->resize(cell_);
    setItemWidget(item, cell);
  }
  return count() - 1;
}

void Album::remove(int index) {
  if (index < 0 || index >= count()) return;
  QListWidgetItem* item = this->item(index);
  if (itemWidget(item)) removeItemWidget(item);  // the view deletes the cell
  delete takeItem(index);
}

void Album::setCellSize(QSize size) {
  if (size.isEmpty()) return;
  cell_ = size;
  setGridSize(cell_ + QSize(kCellGap, kCellGap));
  for (int i = 0; i < count(); ++i) {
    item(i)->setSizeHint(cell_);
    if (QWidget* cell = itemWidget(item(i))) cell->resize(cell_);
  }
  doItemsLayout();
}

void Album::reportSelection(const QItemSelection& selected, const QItemSelection& deselected) {
  ZanObject* control = controlOf(this);
  for (const QItemSelection* changed : {&deselected, &selected}) {
    for (const QModelIndex& index : changed->indexes()) {
      dispatchEvent(control, kEventAlbumSelection, index.row());
    }
  }
}

}  // namespace tessaly::host
