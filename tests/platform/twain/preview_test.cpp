// The window's preview: the whole bed at a low resolution shown in the window only, and a
// rectangle dragged on it picking the area. (Failed previews: file_device_test.cpp.)
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <cstdlib>
#include <cstring>

#include "scan_window.h"

namespace twain_test {
namespace {

using Preview = ScanWindowTest;

bool isRed(QRgb pixel) {
  return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}

TW_UINT32 currentResolution(TwainTest& test) {
  TW_CAPABILITY capability{ICAP_XRESOLUTION, 0, nullptr};
  EXPECT_EQ(test.source(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &capability), TWRC_SUCCESS);
  auto* value = static_cast<TW_ONEVALUE*>(capability.hContainer);
  TW_FIX32 fix{};
  if (value != nullptr) std::memcpy(&fix, &value->Item, sizeof fix);
  std::free(value);
  return static_cast<TW_UINT32>(fix.Whole);
}

void drag(QWidget* view, QPointF from, QPointF to) {
  const auto send = [view](QEvent::Type type, QPointF at, Qt::MouseButtons held) {
    QMouseEvent event(type, at, view->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(view, &event);
  };
  send(QEvent::MouseButtonPress, from, Qt::LeftButton);
  send(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, to, Qt::NoButton);
}

TEST_F(Preview, ShowsTheWholeBedInTheWindowOnlyAndLeavesTheDeviceAsItWas) {
  openSource();
  ASSERT_NE(enableWithWindow(), nullptr);
  control<QPushButton>("butn_preview")->click();
  EXPECT_TRUE(control<QLabel>("text_status")->text().isEmpty());
  TW_UINT16 message = 0;
  EXPECT_EQ(nextEvent(message), TWRC_NOTDSEVENT) << "a preview is no transfer";
  // The bed is square: the preview fills the view's 240 x 240 pixels, white (the test picture)
  // with the area's 40 x 30 mm drawn in red at its top-left corner (1.2 pixels a millimetre).
  const QImage shown = previewOnScreen();
  ASSERT_EQ(shown.size(), QSize(240, 240));
  EXPECT_EQ(shown.pixel(150, 150), qRgb(255, 255, 255));
  EXPECT_TRUE(isRed(shown.pixel(48, 18)));
  EXPECT_TRUE(isRed(shown.pixel(24, 36)));

  // The next scan still has the device's resolution and area.
  EXPECT_EQ(currentResolution(*this), 50u);
  control<QPushButton>("butn_scan")->click();
  ASSERT_EQ(nextEvent(message), TWRC_DSEVENT);
  ASSERT_EQ(message, MSG_XFERREADY);
  const Image image = transferImage(64);
  EXPECT_EQ(image.info.ImageWidth, 78);
  EXPECT_EQ(image.info.ImageLength, 59);
}

TEST_F(Preview, ADraggedRectangleSetsTheAreaAndTheFieldsMoveTheRectangle) {
  openSource();
  ASSERT_NE(enableWithWindow(), nullptr);
  control<QPushButton>("butn_preview")->click();
  QWidget* view = control<QWidget>("view_preview");
  ASSERT_EQ(view->size(), QSize(240, 240));
  // From (120, 72) back to (24, 12): 200 mm over 240 pixels, dragged either way round.
  drag(view, QPointF(120, 72), QPointF(24, 12));
  EXPECT_NEAR(control<QDoubleSpinBox>("spin_left")->value(), 20, 0.05);
  EXPECT_NEAR(control<QDoubleSpinBox>("spin_top")->value(), 10, 0.05);
  EXPECT_NEAR(control<QDoubleSpinBox>("spin_width")->value(), 80, 0.05);
  EXPECT_NEAR(control<QDoubleSpinBox>("spin_height")->value(), 50, 0.05);
  EXPECT_TRUE(isRed(previewOnScreen().pixel(24, 40)));

  drag(view, QPointF(200, 200), QPointF(200.5, 200.5));
  EXPECT_NEAR(control<QDoubleSpinBox>("spin_left")->value(), 20, 0.05) << "a click keeps the area";

  control<QDoubleSpinBox>("spin_left")->setValue(100);
  const QImage moved = previewOnScreen();
  EXPECT_TRUE(isRed(moved.pixel(120, 40)));
  EXPECT_FALSE(isRed(moved.pixel(24, 40)));
}

}  // namespace
}  // namespace twain_test
