// The source's own window: enabling with its user interface shows it, its Scan button makes a
// transfer ready with the window's settings (reaching the program as a source event), the area
// fields follow the device's corners, closing it asks to end the session.
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "scan_window.h"

namespace twain_test {
namespace {

using SourceWindow = ScanWindowTest;

TEST_F(SourceWindow, ScanMakesATransferReadyWithItsSettingsAndClosingAsksToEnd) {
  openSource();
  ASSERT_NE(enableWithWindow(), nullptr);
  TW_UINT16 message = 0;
  EXPECT_EQ(nextEvent(message), TWRC_NOTDSEVENT) << "nothing until the user scans";

  control<QSpinBox>("spin_resolution")->setValue(100);
  control<QComboBox>("comb_mode")->setCurrentText("Color");
  control<QPushButton>("butn_scan")->click();
  ASSERT_EQ(nextEvent(message), TWRC_DSEVENT);
  ASSERT_EQ(message, MSG_XFERREADY);
  const Image image = transferImage(64);
  EXPECT_EQ(image.info.XResolution.Whole, 100);
  EXPECT_EQ(image.info.PixelType, TWPT_RGB);
  EXPECT_GT(image.info.ImageWidth, 0);
  EXPECT_TRUE(window_->isVisible()) << "the window stays for the next piece";

  control<QPushButton>("butn_close")->click();
  ASSERT_EQ(nextEvent(message), TWRC_DSEVENT);
  EXPECT_EQ(message, MSG_CLOSEDSREQ);
  TW_USERINTERFACE ui{1, 0, nullptr};
  ASSERT_EQ(source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
  EXPECT_TRUE(window_.isNull()) << "disabling the source takes its window away";
}

TEST_F(SourceWindow, EveryControlHasANameForAssistiveToolsAndTheAreaIsTheDevicesOwn) {
  openSource();
  ASSERT_NE(enableWithWindow(), nullptr);
  for (const char* name :
       {"spin_resolution", "comb_mode", "spin_left", "spin_top", "spin_width", "spin_height",
        "view_preview", "text_status", "butn_preview", "butn_scan", "butn_close"})
    EXPECT_FALSE(control<QWidget>(name)->accessibleName().isEmpty()) << name;
  EXPECT_EQ(window_->findChild<QLineEdit*>("edit_file"), nullptr) << "the device reads no file";
  // The corners the device has now (40 x 30 mm) on a bed of 200 x 200 mm.
  const auto* left = control<QDoubleSpinBox>("spin_left");
  const auto* width = control<QDoubleSpinBox>("spin_width");
  EXPECT_TRUE(left->isEnabled());
  EXPECT_DOUBLE_EQ(left->value(), 0);
  EXPECT_DOUBLE_EQ(control<QDoubleSpinBox>("spin_top")->value(), 0);
  EXPECT_DOUBLE_EQ(width->value(), 40);
  EXPECT_DOUBLE_EQ(control<QDoubleSpinBox>("spin_height")->value(), 30);
  EXPECT_DOUBLE_EQ(left->maximum(), 200);
  EXPECT_DOUBLE_EQ(width->maximum(), 200);
}

TEST_F(SourceWindow, AScanOfAnAreaHasTheSizeItImpliesAndTheFieldsShowWhatTheDeviceTook) {
  configure({{"geometry_quant", "2.0"}});
  openSource();
  ASSERT_NE(enableWithWindow(), nullptr);
  control<QSpinBox>("spin_resolution")->setValue(100);
  control<QDoubleSpinBox>("spin_left")->setValue(10.6);
  control<QDoubleSpinBox>("spin_top")->setValue(5);
  control<QDoubleSpinBox>("spin_width")->setValue(20);
  control<QDoubleSpinBox>("spin_height")->setValue(10);
  control<QPushButton>("butn_scan")->click();
  // The device moves in 2 mm steps: left 10, top 6, right 30, bottom 16.
  EXPECT_DOUBLE_EQ(control<QDoubleSpinBox>("spin_left")->value(), 10);
  EXPECT_DOUBLE_EQ(control<QDoubleSpinBox>("spin_top")->value(), 6);
  EXPECT_DOUBLE_EQ(control<QDoubleSpinBox>("spin_width")->value(), 20);
  EXPECT_DOUBLE_EQ(control<QDoubleSpinBox>("spin_height")->value(), 10);
  TW_UINT16 message = 0;
  ASSERT_EQ(nextEvent(message), TWRC_DSEVENT);
  ASSERT_EQ(message, MSG_XFERREADY);
  const Image image = transferImage(16);
  // 20 x 10 mm at 100 dpi: 78.7 x 39.4 pixels, of which the device scans whole ones.
  EXPECT_EQ(image.info.ImageWidth, 78);
  EXPECT_EQ(image.info.ImageLength, 39);
  EXPECT_EQ(image.bytes.size(), size_t{80} * 39);
}

}  // namespace
}  // namespace twain_test
