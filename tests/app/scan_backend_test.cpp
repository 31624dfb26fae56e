// The program's session against the real source manager (loaded by name, as the program loads
// it) and SANE's test backend from a private configuration folder: the devices listed, grey and
// colour images received with their sizes, bytes and resolution through the source's own window,
// and every way a scan can end early leaving no image and the busy flag clear.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPushButton>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>

#include "sane_test_backend.h"
#include "temp_folder.h"
#include "twain_library.h"
#include "twain_session.h"

using namespace tessaly::app;

namespace {

// SANE reads the configuration folder's name once per process: one folder, rewritten per test.
void configure(const std::map<std::string, std::string>& settings) {
  app_test::writeSaneTestBackend(app_test::saneConfigFolder(), settings);
}

class ScanBackend : public testing::Test {
 protected:
  void SetUp() override {
    configure({});
    session_.setParent(&parent_);
    session_.busyChanged = [this](bool busy) { busy_ = busy; };
    session_.imageArrived = [this](std::unique_ptr<ScannedImage> image) {
      ++delivered_;
      image_ = std::move(image);
    };
  }
  void TearDown() override { session_.closeAll(); }

  QDialog* sourceWindow() { return parent_.findChild<QDialog*>("twain_scan"); }

  // Presses a button of the source's window, then lets the source report its event.
  void press(const char* button) {
    QDialog* window = sourceWindow();
    ASSERT_TRUE(window && window->isVisible());
    auto* widget = window->findChild<QPushButton*>(button);
    ASSERT_TRUE(widget);
    widget->click();
    QElapsedTimer clock;
    clock.start();
    while (!session_.filterEvent() && clock.elapsed() < 5000) QApplication::processEvents();
  }

  void scanWith(const std::map<std::string, std::string>& settings) {
    configure(settings);
    ASSERT_EQ(session_.acquire("TEST:0"), TwainSession::kStarted);
    EXPECT_TRUE(busy_);
    press("butn_scan");
  }

  QWidget parent_;
  TwainSession session_{sharedManagerLibrary(), "Tessaly tests"};
  bool busy_ = false;
  int delivered_ = 0;
  std::unique_ptr<ScannedImage> image_;
};

TEST_F(ScanBackend, TheDevicesAreListedWithTheManagersDefault) {
  const ScannerNames found = session_.listScanners();
  EXPECT_EQ(found.names, (std::vector<std::string>{"test:0", "test:1"}));
  EXPECT_EQ(found.managerDefault, "test:0");
  EXPECT_FALSE(session_.managerOpen());
  EXPECT_FALSE(busy_);
}

TEST_F(ScanBackend, GreyAndColourFramesArriveWithTheirBytesSizeAndResolution) {
  struct Case {
    const char* mode;
    const char* picture;
    int bits;
    uint8_t value;
  };
  for (const Case& c :
       {Case{"Gray", "\"Solid black\"", 8, 0x00}, Case{"Color", "\"Solid white\"", 24, 0xFF},
        Case{"Gray", "\"Solid black\"", 1, 0xFF}}) {
    SCOPED_TRACE(c.mode + std::to_string(c.bits));
    image_.reset();
    const std::string depth = c.bits == 1 ? "1" : "8";
    scanWith({{"mode", c.mode}, {"test-picture", c.picture}, {"depth", depth}});
    ASSERT_TRUE(image_);
    const DibHeader& header = image_->header;
    EXPECT_EQ(header.width, 78);  // 40 x 30 mm at 50 dpi
    EXPECT_EQ(header.height, 59);
    EXPECT_EQ(header.bitCount, c.bits);
    EXPECT_EQ(dotsPerInch(header.xPelsPerMeter), 50);
    const size_t pixelBytes = size_t(78 * c.bits / 8);
    for (int32_t y = 0; y < header.height; ++y) {
      const uint8_t* row = image_->bits.data() + size_t(y) * image_->rowBytes;
      ASSERT_TRUE(std::all_of(row, row + pixelBytes, [&](uint8_t b) { return b == c.value; }))
          << "row " << y;
    }
    if (c.bits == 1) {
      // Black is 1 in the rows: entry 1 of the palette must be black.
      ASSERT_EQ(image_->palette.size(), 2u);
      EXPECT_EQ(image_->palette[1].red, 0);
      EXPECT_EQ(image_->palette[0].red, 255);
      const QImage picture = toQImage(*image_);
      EXPECT_EQ(picture.pixel(5, 5), qRgb(0, 0, 0));
    }
    EXPECT_TRUE(session_.sourceEnabled()) << "the source stays up for the next piece";
    session_.closeAll();
  }
}

TEST_F(ScanBackend, EveryEarlyEndLeavesNoImageAndTheBusyFlagClear) {
  // Closed before any scan.
  ASSERT_EQ(session_.acquire("test:0"), TwainSession::kStarted);
  press("butn_close");
  EXPECT_FALSE(session_.managerOpen());
  EXPECT_FALSE(busy_);
  EXPECT_EQ(delivered_, 0);

  // Cancelled by the device during the transfer: null, and the source stays up.
  scanWith({{"read-status-code", "\"SANE_STATUS_CANCELLED\""}, {"enable-test-options", "true"}});
  EXPECT_EQ(delivered_, 1);
  EXPECT_FALSE(image_);
  EXPECT_TRUE(session_.sourceEnabled());
  press("butn_close");
  EXPECT_FALSE(busy_);

  // A device that fails to read: the same.
  scanWith({{"read-status-code", "\"SANE_STATUS_IO_ERROR\""}, {"enable-test-options", "true"}});
  EXPECT_EQ(delivered_, 2);
  EXPECT_FALSE(image_);
  session_.closeAll();
  EXPECT_FALSE(busy_);

  // A source named that no longer exists: the manager's default is opened in its place.
  configure({});
  EXPECT_EQ(session_.acquire("gone:7"), TwainSession::kStarted);
  session_.closeAll();
  EXPECT_FALSE(busy_);
  EXPECT_FALSE(sourceWindow()) << "the source's window went with the session";
}

}  // namespace
