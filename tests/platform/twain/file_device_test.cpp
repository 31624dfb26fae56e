// A device that "scans" a file (SANE's pnm backend): the window offers the file to read, and
// each scan delivers that file's pixels.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <fstream>

#include "scan_window.h"
#include "temp_folder.h"

namespace twain_test {
namespace {

using FileDevice = ScanWindowTest;

// A binary PNM file of the given kind ("P5" grey, "P6" colour) with these samples.
void writePnm(const std::string& path, const char* kind, int width, int height,
              const std::vector<unsigned char>& samples) {
  std::ofstream file(path, std::ios::binary);
  file << kind << '\n' << width << ' ' << height << "\n255\n";
  file.write(reinterpret_cast<const char*>(samples.data()),
             static_cast<std::streamsize>(samples.size()));
}

std::vector<unsigned char> countingSamples(size_t count) {
  std::vector<unsigned char> samples(count);
  for (size_t i = 0; i < count; ++i) samples[i] = static_cast<unsigned char>(i * 7 + 3);
  return samples;
}

// The transferred rows without their padding.
std::vector<unsigned char> unpadded(const TwainTest::Image& image, size_t rowSamples) {
  std::vector<unsigned char> samples;
  for (size_t y = 0; y < static_cast<size_t>(image.info.ImageLength); ++y) {
    const auto row = image.bytes.begin() + static_cast<std::ptrdiff_t>(y * image.rowBytes);
    samples.insert(samples.end(), row, row + static_cast<std::ptrdiff_t>(rowSamples));
  }
  return samples;
}

TEST_F(FileDevice, EachScanDeliversThePixelsOfTheFileTheFieldNames) {
  const tessaly::test::TempFolder folder("tessaly-pnm-");
  const std::vector<unsigned char> colour = countingSamples(5 * 3 * 3);
  const std::vector<unsigned char> grey = countingSamples(6 * 4);
  writePnm(folder.file("colour.ppm"), "P6", 5, 3, colour);
  writePnm(folder.file("grey.pgm"), "P5", 6, 4, grey);
  configure({}, true);
  openSource("pnm:0");
  ASSERT_NE(enableWithWindow(), nullptr);
  auto* file = control<QLineEdit>("edit_file");
  EXPECT_EQ(file->accessibleName(), "File to read");
  bool labelled = false;
  for (const QLabel* label : window_->findChildren<QLabel*>())
    labelled = labelled || (label->buddy() == file && label->text() == "&File:");
  EXPECT_TRUE(labelled);
  EXPECT_FALSE(control<QWidget>("spin_left")->isEnabled()) << "the device has no area";

  struct Case {
    const char* name;
    TW_UINT32 width, height, samplesPerPixel;
    const std::vector<unsigned char>& samples;
  };
  for (const Case& c : {Case{"colour.ppm", 5, 3, 3, colour}, Case{"grey.pgm", 6, 4, 1, grey}}) {
    SCOPED_TRACE(c.name);
    file->setText(QString::fromStdString(folder.file(c.name)));
    control<QPushButton>("butn_scan")->click();
    TW_UINT16 message = 0;
    ASSERT_EQ(nextEvent(message), TWRC_DSEVENT);
    ASSERT_EQ(message, MSG_XFERREADY);
    const Image image = transferImage(2);
    EXPECT_EQ(image.info.ImageWidth, static_cast<TW_INT32>(c.width));
    EXPECT_EQ(image.info.ImageLength, static_cast<TW_INT32>(c.height));
    EXPECT_EQ(image.info.PixelType, c.samplesPerPixel == 3 ? TWPT_RGB : TWPT_GRAY);
    EXPECT_EQ(unpadded(image, c.width * c.samplesPerPixel), c.samples);
  }
}

// The pnm device fails without a reader thread of its own, so a failure comes at a known moment
// (the test backend's reader can hang when cancelled part-way).
TEST_F(FileDevice, APreviewThatFailsSaysSoAndLeavesTheSessionAsItWas) {
  const tessaly::test::TempFolder folder("tessaly-pnm-");
  writePnm(folder.file("piece.pgm"), "P5", 8, 2, countingSamples(16));
  writePnm(folder.file("short.pgm"), "P5", 8, 200, countingSamples(100));
  configure({}, true);
  openSource("pnm:1");
  ASSERT_NE(enableWithWindow(), nullptr);
  auto* file = control<QLineEdit>("edit_file");
  auto* status = control<QLabel>("text_status");
  TW_UINT16 message = 0;
  // A name longer than the device's 4096 bytes is refused whole rather than cut.
  const std::string tooLong = folder.file(std::string(5000, 'n') + ".pgm");
  for (const std::string& failing :
       {folder.file("missing.ppm"), folder.file("short.pgm"), tooLong}) {
    SCOPED_TRACE(failing.substr(0, 80));
    file->setText(QString::fromStdString(failing));
    control<QPushButton>("butn_preview")->click();
    EXPECT_FALSE(status->text().isEmpty());
    EXPECT_EQ(control<QWidget>("view_preview")->size(), QSize(240, 180)) << "no picture";
    EXPECT_EQ(nextEvent(message), TWRC_NOTDSEVENT);
  }

  control<QPushButton>("butn_scan")->click();
  EXPECT_FALSE(status->text().isEmpty());
  EXPECT_EQ(nextEvent(message), TWRC_NOTDSEVENT) << "no scan of the file read before";

  file->setText(QString::fromStdString(folder.file("piece.pgm")));
  control<QPushButton>("butn_preview")->click();
  EXPECT_TRUE(status->text().isEmpty());
  EXPECT_EQ(control<QWidget>("view_preview")->size(), QSize(240, 60)) << "the file's proportions";
  EXPECT_EQ(nextEvent(message), TWRC_NOTDSEVENT) << "a preview is no transfer";
  control<QPushButton>("butn_scan")->click();
  ASSERT_EQ(nextEvent(message), TWRC_DSEVENT);
  ASSERT_EQ(message, MSG_XFERREADY);
  EXPECT_EQ(transferImage(2).info.ImageLength, 2);
}

}  // namespace
}  // namespace twain_test
