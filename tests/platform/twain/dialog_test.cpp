// The source's own window: enabling with its user interface shows it, its Scan button makes a
// transfer ready (reaching the program as a source event), closing it asks to end the session.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QSpinBox>

#include "twain_fixture.h"

namespace twain_test {
namespace {

using SourceWindow = TwainTest;

QDialog* scanWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->objectName() == "twain_scan" && widget->isVisible())
      return qobject_cast<QDialog*>(widget);
  return nullptr;
}

TW_UINT16 nextEvent(TwainTest& test, TW_UINT16& message) {
  TW_EVENT event{nullptr, MSG_NULL};
  QApplication::processEvents();
  const TW_UINT16 code = test.source(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
  message = event.TWMessage;
  return code;
}

TEST_F(SourceWindow, ScanMakesATransferReadyWithItsSettingsAndClosingAsksToEnd) {
  openSource();
  TW_USERINTERFACE ui{1, 0, nullptr};
  ASSERT_EQ(source(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
  QDialog* window = scanWindow();
  ASSERT_NE(window, nullptr);
  TW_UINT16 message = 0;
  EXPECT_EQ(nextEvent(*this, message), TWRC_NOTDSEVENT) << "nothing until the user scans";

  window->findChild<QSpinBox*>("spin_resolution")->setValue(100);
  window->findChild<QComboBox*>("comb_mode")->setCurrentText("Color");
  window->findChild<QPushButton*>("butn_scan")->click();
  ASSERT_EQ(nextEvent(*this, message), TWRC_DSEVENT);
  ASSERT_EQ(message, MSG_XFERREADY);
  const Image image = transferImage(64);
  EXPECT_EQ(image.info.XResolution.Whole, 100);
  EXPECT_EQ(image.info.PixelType, TWPT_RGB);
  EXPECT_GT(image.info.ImageWidth, 0);
  EXPECT_NE(scanWindow(), nullptr) << "the window stays for the next piece";

  window->findChild<QPushButton*>("butn_close")->click();
  ASSERT_EQ(nextEvent(*this, message), TWRC_DSEVENT);
  EXPECT_EQ(message, MSG_CLOSEDSREQ);
  ASSERT_EQ(source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
  EXPECT_EQ(scanWindow(), nullptr);
}

}  // namespace
}  // namespace twain_test
