// The built-in classes besides the panel: combo boxes and scroll bars (controls), text tables
// and UI-file loaders (plain objects), and the registration of every built-in class.
#include <QComboBox>
#include <QDir>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <map>

#include "class_records.h"
#include "object_model.h"
#include "tessaly/host/widgets.h"

namespace tessaly::host {

extern ClassDescriptor panelClass;

namespace {

std::string* textOut(intptr_t a) {
  return reinterpret_cast<std::string*>(a);
}
QString textIn(intptr_t a) {
  return QString::fromUtf8(reinterpret_cast<const char*>(a));
}

intptr_t comboOperation(ZanObject* object, int interface, int method, intptr_t a, intptr_t b) {
  auto* combo = qobject_cast<QComboBox*>(widgetOf(object));
  if (!combo || interface != op::kComboAdd.interface) {
    return panelClass.operation(object, interface, method, a, b);
  }
  switch (method) {
    case op::kComboAdd.method:
      combo->addItem(textIn(a));
      return combo->count();
    case op::kComboCount.method:
      return combo->count();
    case op::kComboCurrent.method:
      return combo->currentIndex();
    case op::kComboSetCurrent.method:
      combo->setCurrentIndex(int(a));
      return 1;
    case op::kComboClear.method:
      combo->clear();
      return 1;
    case op::kComboItemText.method:
      if (a < 0 || a >= combo->count()) return 0;
      *textOut(b) = combo->itemText(int(a)).toStdString();
      return 1;
  }
  return 0;
}

intptr_t scrollOperation(ZanObject* object, int interface, int method, intptr_t a, intptr_t b) {
  auto* bar = qobject_cast<QScrollBar*>(widgetOf(object));
  if (!bar || interface != op::kScrollValue.interface) {
    return panelClass.operation(object, interface, method, a, b);
  }
  switch (method) {
    case op::kScrollValue.method:
      return bar->value();
    case op::kScrollSetValue.method:
      bar->setValue(int(a));
      return 1;
    case op::kScrollSetRange.method:
      bar->setRange(int(a), int(b));
      return 1;
    case op::kScrollMaximum.method:
      return bar->maximum();
  }
  return 0;
}

struct TextTableData : PayloadOf<TextTableData> {
  std::map<intptr_t, std::string> texts;
};

intptr_t textTableOperation(ZanObject* object, int interface, int method, intptr_t a, intptr_t b) {
  auto* table = payloadOf<TextTableData>(object);
  if (!table || interface != op::kTableText.interface) return 0;
  if (method == op::kTableCount.method) return intptr_t(table->texts.size());
  if (method != op::kTableText.method) return 0;
  const auto found = table->texts.find(a);
  if (found == table->texts.end()) return 0;
  *textOut(b) = found->second;
  return 1;
}

struct LoaderData : PayloadOf<LoaderData> {
  QString folder;
  QString error;
  QString resolve(const QString& file) const { return QDir(folder).filePath(file); }
};

// Reads a text table: a UI file holding a table widget named "texts" whose rows are a number
// and its text.
intptr_t loadTextTable(LoaderData& loader, const QString& file) {
  QWidget* root = loadUiFile(loader.resolve(file), nullptr, &loader.error);
  if (!root) return 0;
  auto* rows = root->findChild<QTableWidget*>("texts");
  ZanObject* table = nullptr;
  if (rows && rows->columnCount() >= 2) {
    table = Zan0CreateObj(kTextTable);
    auto& texts = payloadOf<TextTableData>(table)->texts;
    for (int row = 0; row < rows->rowCount(); ++row) {
      const QTableWidgetItem* number = rows->item(row, 0);
      const QTableWidgetItem* text = rows->item(row, 1);
      bool numeric = false;
      const int n = number ? number->text().toInt(&numeric) : 0;
      if (numeric) texts[n] = text ? text->text().toStdString() : std::string();
    }
  } else {
    loader.error = "no text table named \"texts\" with two columns in " + file;
  }
  delete root;
  return reinterpret_cast<intptr_t>(table);
}

intptr_t loadInto(LoaderData& loader, const QString& file, ZanObject* parent) {
  QWidget* parentWidget = widgetOf(parent);
  QWidget* root = loadUiFile(loader.resolve(file), parentWidget, &loader.error);
  if (!root) return 0;
  if (parentWidget) {
    if (!parentWidget->layout()) {
      auto* layout = new QVBoxLayout(parentWidget);
      layout->setContentsMargins(0, 0, 0, 0);
      layout->setSpacing(0);
    }
    parentWidget->layout()->addWidget(root);
  }
  ZanObject* control = controlOf(root);
  Zan0Retain(control);
  return reinterpret_cast<intptr_t>(control);
}

intptr_t loaderOperation(ZanObject* object, int interface, int method, intptr_t a, intptr_t b) {
  auto* loader = payloadOf<LoaderData>(object);
  if (!loader || interface != op::kLoaderLoad.interface) return 0;
  switch (method) {
    case op::kLoaderFolder.method:
      loader->folder = textIn(a);
      return 1;
    case op::kLoaderLoad.method:
      return loadInto(*loader, textIn(a), reinterpret_cast<ZanObject*>(b));
    case op::kLoaderError.method:
      *textOut(a) = loader->error.toStdString();
      return 1;
    case op::kLoaderTextTable.method:
      return loadTextTable(*loader, textIn(a));
  }
  return 0;
}

}  // namespace

void registerBuiltInClasses() {
  static ClassDescriptor classes[] = {
      derivedControl(kButton, nullptr),
      derivedControl(kCheckBox, nullptr),
      derivedControl(kTextView, nullptr),
      derivedControl(kComboBox, comboOperation),
      derivedControl(kScrollBar, scrollOperation),
      valueClass(kTextTable, attachPayload<TextTableData>, textTableOperation),
      valueClass(kUiLoader, attachPayload<LoaderData>, loaderOperation),
  };
  Zan0RegisterClass(&panelClass, 0);
  for (ClassDescriptor& descriptor : classes) Zan0RegisterClass(&descriptor, 0);
  registerPictureClasses();
  registerViewClasses();
}

}  // namespace tessaly::host
