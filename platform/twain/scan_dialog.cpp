#include "scan_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "preview_view.h"
#include "source_manager.h"

namespace tessaly::twain {
namespace {

QDoubleSpinBox* millimetreField(QWidget* parent, const char* name, const char* accessible) {
  auto* field = new QDoubleSpinBox(parent);
  field->setObjectName(name);
  field->setAccessibleName(accessible);
  field->setDecimals(1);
  field->setSuffix(" mm");
  return field;
}

class QtScanDialog final : public ScanDialog {
 public:
  QtScanDialog(QWidget* parent, SourceManager& manager, const DialogSetup& setup)
      : manager_(manager), parent_(parent), dialog_(new QDialog(parent)), bed_(setup.bed) {
    dialog_->setObjectName("twain_scan");
    dialog_->setWindowTitle(QString::fromStdString(setup.title));
    dialog_->setAttribute(Qt::WA_DeleteOnClose, false);
    auto* form = new QFormLayout;
    addSettingFields(*form, setup.settings);
    addAreaFields(*form, setup.settings.area);
    if (setup.settings.file) addFileField(*form, *setup.settings.file);
    auto* columns = new QHBoxLayout;
    columns->addLayout(form);
    columns->addLayout(previewColumn());
    auto* layout = new QVBoxLayout(dialog_);
    layout->addLayout(columns);
    layout->addWidget(buttons());
    showArea(setup.settings.area);
    dialog_->show();
  }
  // The dialog belongs to its parent too: a parent destroyed first takes the dialog with it.
  ~QtScanDialog() override { delete dialog_.data(); }

  void wakeParent() override {
    QObject* target = parent_ != nullptr ? static_cast<QObject*>(parent_.data()) : dialog_.data();
    if (target != nullptr) QCoreApplication::postEvent(target, new QEvent(QEvent::User));
  }

 private:
  void addSettingFields(QFormLayout& form, const ScanSettings& settings) {
    resolution_ = new QSpinBox(dialog_);
    resolution_->setObjectName("spin_resolution");
    resolution_->setAccessibleName("Resolution in dots per inch");
    resolution_->setRange(25, 2400);
    const double dpi = settings.dotsPerInch > 0 ? settings.dotsPerInch : 300;
    resolution_->setValue(static_cast<int>(std::lround(dpi)));
    mode_ = new QComboBox(dialog_);
    mode_->setObjectName("comb_mode");
    mode_->setAccessibleName("Colour mode");
    mode_->addItems({"Color", "Gray", "Lineart"});
    mode_->setCurrentText(QString::fromStdString(settings.mode.empty() ? "Color" : settings.mode));
    form.addRow("&Resolution (dpi):", resolution_);
    form.addRow("&Mode:", mode_);
  }

  void addAreaFields(QFormLayout& form, const std::optional<AreaMm>& area) {
    left_ = millimetreField(dialog_, "spin_left", "Left edge of the scan area");
    top_ = millimetreField(dialog_, "spin_top", "Top edge of the scan area");
    width_ = millimetreField(dialog_, "spin_width", "Width of the scan area");
    height_ = millimetreField(dialog_, "spin_height", "Height of the scan area");
    form.addRow("&Left:", left_);
    form.addRow("&Top:", top_);
    form.addRow("&Width:", width_);
    form.addRow("&Height:", height_);
    const bool known = bed_.has_value() && area.has_value();
    for (QDoubleSpinBox* field : {left_, top_, width_, height_}) {
      field->setEnabled(known);
      if (!known) continue;
      QObject::connect(field, &QDoubleSpinBox::valueChanged, dialog_,
                       [this] { preview_->setArea(areaInFields()); });
    }
    if (!known) return;
    left_->setRange(bed_->left, bed_->left + bed_->width);
    top_->setRange(bed_->top, bed_->top + bed_->height);
    width_->setRange(0, bed_->width);
    height_->setRange(0, bed_->height);
  }

  void addFileField(QFormLayout& form, const std::string& file) {
    file_ = new QLineEdit(QString::fromStdString(file), dialog_);
    file_->setObjectName("edit_file");
    file_->setAccessibleName("File to read");
    form.addRow("&File:", file_);
  }

  QVBoxLayout* previewColumn() {
    preview_ = new PreviewView(dialog_);
    preview_->setObjectName("view_preview");
    preview_->setAccessibleName("Preview of the bed");
    preview_->onAreaDragged = [this](const AreaMm& area) { showArea(area); };
    status_ = new QLabel(dialog_);
    status_->setObjectName("text_status");
    status_->setAccessibleName("Preview message");
    status_->setWordWrap(true);
    auto* column = new QVBoxLayout;
    column->addWidget(preview_);
    column->addWidget(status_);
    column->addStretch();
    return column;
  }

  QDialogButtonBox* buttons() {
    auto* box = new QDialogButtonBox(dialog_);
    QPushButton* previewButton = box->addButton("&Preview", QDialogButtonBox::ActionRole);
    previewButton->setObjectName("butn_preview");
    previewButton->setAccessibleName("Preview");
    QPushButton* scanButton = box->addButton("&Scan", QDialogButtonBox::AcceptRole);
    scanButton->setObjectName("butn_scan");
    scanButton->setAccessibleName("Scan");
    scanButton->setDefault(true);
    QPushButton* close = box->addButton("&Close", QDialogButtonBox::RejectRole);
    close->setObjectName("butn_close");
    close->setAccessibleName("Close");
    // Scan keeps the window open for the next piece; closing it in any way ends the session.
    QObject::connect(previewButton, &QPushButton::clicked, dialog_, [this] { runPreview(); });
    QObject::connect(scanButton, &QPushButton::clicked, dialog_, [this] { scan(); });
    QObject::connect(box, &QDialogButtonBox::rejected, dialog_, &QDialog::reject);
    QObject::connect(dialog_, &QDialog::rejected, dialog_, [this] { manager_.requestClose(); });
    return box;
  }

  std::optional<AreaMm> areaInFields() const {
    if (!left_->isEnabled()) return std::nullopt;
    return AreaMm{left_->value(), top_->value(), width_->value(), height_->value()};
  }

  // Puts an area into the fields (and so on the preview) without each field redrawing it.
  void showArea(const std::optional<AreaMm>& area) {
    if (area && left_->isEnabled()) {
      QDoubleSpinBox* const fields[] = {left_, top_, width_, height_};
      const double values[] = {area->left, area->top, area->width, area->height};
      for (int i = 0; i < 4; ++i) {
        const QSignalBlocker quiet(fields[i]);
        fields[i]->setValue(values[i]);
      }
    }
    preview_->setArea(areaInFields());
  }

  ScanSettings settings() const {
    ScanSettings settings;
    settings.dotsPerInch = resolution_->value();
    settings.mode = mode_->currentText().toStdString();
    settings.area = areaInFields();
    if (file_ != nullptr) settings.file = QFile::encodeName(file_->text()).toStdString();
    return settings;
  }

  void scan() {
    status_->clear();
    // The device may round the area to its steps: the fields show what it will scan.
    const std::optional<ScanSettings> applied = manager_.requestScan(settings());
    if (applied)
      showArea(applied->area);
    else
      status_->setText("The scan could not be started.");
  }

  void runPreview() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const PreviewResult result = manager_.requestPreview(settings());
    QApplication::restoreOverrideCursor();
    if (!result.frame) {
      status_->setText(QString::fromStdString(result.message));
      return;
    }
    const QImage picture = imageOfFrame(*result.frame);
    status_->setText(picture.isNull() ? "The preview is empty." : QString());
    preview_->showBed(picture, bed_);
    preview_->setArea(areaInFields());
  }

  SourceManager& manager_;
  QPointer<QWidget> parent_;
  QPointer<QDialog> dialog_;
  std::optional<AreaMm> bed_;
  QSpinBox* resolution_ = nullptr;
  QComboBox* mode_ = nullptr;
  QDoubleSpinBox* left_ = nullptr;
  QDoubleSpinBox* top_ = nullptr;
  QDoubleSpinBox* width_ = nullptr;
  QDoubleSpinBox* height_ = nullptr;
  QLineEdit* file_ = nullptr;
  PreviewView* preview_ = nullptr;
  QLabel* status_ = nullptr;
};

}  // namespace

std::unique_ptr<ScanDialog> ScanDialog::show(void* parent, SourceManager& manager,
                                             const DialogSetup& setup) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
  return std::make_unique<QtScanDialog>(static_cast<QWidget*>(parent), manager, setup);
}

}  // namespace tessaly::twain
