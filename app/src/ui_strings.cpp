#include "ui_strings.h"

#include <string>

#include "tessaly/host/operations.h"

namespace tessaly::app {

using namespace tessaly::host;

bool UiStrings::load(const QString& uiFolder) {
  ZanObject* loader = Zan0CreateObj(kUiLoader);
  const std::string folder = uiFolder.toStdString();
  Zan0Inter(loader, op::kLoaderFolder, reinterpret_cast<intptr_t>(folder.c_str()));
  Zan0Release(table_);
  table_ = reinterpret_cast<ZanObject*>(
      Zan0Inter(loader, op::kLoaderTextTable, reinterpret_cast<intptr_t>("stringRes.pui")));
  std::string why;
  if (!table_) Zan0Inter(loader, op::kLoaderError, reinterpret_cast<intptr_t>(&why));
  error_ = QString::fromStdString(why);
  Zan0Release(loader);
  return table_ != nullptr;
}

QString UiStrings::text(int number) const {
  std::string value;
  if (!Zan0Inter(table_, op::kTableText, number, reinterpret_cast<intptr_t>(&value))) return {};
  return QString::fromStdString(value);
}

void UiStrings::setControlText(ZanObject* control, int number) const {
  const std::string value = text(number).toStdString();
  Zan0Inter(control, op::kSetText, reinterpret_cast<intptr_t>(value.c_str()));
}

UiStrings::~UiStrings() {
  Zan0Release(table_);
}

}  // namespace tessaly::app
