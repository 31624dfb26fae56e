#include "scan_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "source_manager.h"

namespace tessaly::twain {
namespace {

class QtScanDialog final : public ScanDialog {
 public:
  QtScanDialog(QWidget* parent, SourceManager& manager, const std::string& title,
               double dotsPerInch, const std::string& mode)
      : parent_(parent), dialog_(new QDialog(parent)) {
    dialog_->setObjectName("twain_scan");
    dialog_->setWindowTitle(QString::fromStdString(title));
    dialog_->setAttribute(Qt::WA_DeleteOnClose, false);
    auto* resolution = new QSpinBox(dialog_);
    resolution->setObjectName("spin_resolution");
    resolution->setAccessibleName("Resolution in dots per inch");
    resolution->setRange(25, 2400);
    resolution->setValue(static_cast<int>(std::lround(dotsPerInch > 0 ? dotsPerInch : 300)));
    auto* colours = new QComboBox(dialog_);
    colours->setObjectName("comb_mode");
    colours->setAccessibleName("Colour mode");
    colours->addItems({"Color", "Gray", "Lineart"});
    colours->setCurrentText(QString::fromStdString(mode.empty() ? "Color" : mode));
    auto* form = new QFormLayout;
    form->addRow("&Resolution (dpi):", resolution);
    form->addRow("&Mode:", colours);
    auto* buttons = new QDialogButtonBox(dialog_);
    QPushButton* scan = buttons->addButton("&Scan", QDialogButtonBox::AcceptRole);
    scan->setObjectName("butn_scan");
    scan->setDefault(true);
    QPushButton* close = buttons->addButton("&Close", QDialogButtonBox::RejectRole);
    close->setObjectName("butn_close");
    auto* layout = new QVBoxLayout(dialog_);
    layout->addLayout(form);
    layout->addWidget(buttons);
    // Scan keeps the window open for the next piece; closing it in any way ends the session.
    QObject::connect(scan, &QPushButton::clicked, dialog_, [&manager, resolution, colours] {
      manager.requestScan(resolution->value(), colours->currentText().toStdString());
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog_, &QDialog::reject);
    QObject::connect(dialog_, &QDialog::rejected, dialog_, [&manager] { manager.requestClose(); });
    dialog_->show();
  }
  // The dialog belongs to its parent too: a parent destroyed first takes the dialog with it.
  ~QtScanDialog() override { delete dialog_.data(); }

  void wakeParent() override {
    QObject* target = parent_ != nullptr ? static_cast<QObject*>(parent_.data()) : dialog_.data();
    if (target != nullptr) QCoreApplication::postEvent(target, new QEvent(QEvent::User));
  }

 private:
  QPointer<QWidget> parent_;
  QPointer<QDialog> dialog_;
};

}  // namespace

std::unique_ptr<ScanDialog> ScanDialog::show(void* parent, SourceManager& manager,
                                             const std::string& title, double dotsPerInch,
                                             const std::string& mode) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
  return std::make_unique<QtScanDialog>(static_cast<QWidget*>(parent), manager, title, dotsPerInch,
                                        mode);
}

}  // namespace tessaly::twain
