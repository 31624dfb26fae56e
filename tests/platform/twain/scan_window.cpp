#include "scan_window.h"

namespace twain_test {

QDialog* ScanWindowTest::enableWithWindow() {
  TW_USERINTERFACE ui{1, 0, nullptr};
  EXPECT_EQ(source(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
  window_ = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->objectName() == "twain_scan" && widget->isVisible())
      window_ = qobject_cast<QDialog*>(widget);
  return window_;
}

TW_UINT16 ScanWindowTest::nextEvent(TW_UINT16& message) {
  TW_EVENT event{nullptr, MSG_NULL};
  QApplication::processEvents();
  const TW_UINT16 code = source(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
  message = event.TWMessage;
  return code;
}

QImage ScanWindowTest::previewOnScreen() {
  return control<QWidget>("view_preview")->grab().toImage();
}

}  // namespace twain_test
