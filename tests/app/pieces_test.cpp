// The piece list, its previews and thumbnails, and the intake of files, offscreen with small
// pictures made by the tests.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <cmath>
#include <functional>
#include <memory>

#include "file_dialog_typing.h"
#include "folders.h"
#include "piece_intake.h"
#include "piece_list.h"
#include "piece_preview.h"
#include "settings.h"
#include "temp_folder.h"
#include "tessaly/host/operations.h"
#include "tessaly/host/widgets.h"
#include "thumbnail_album.h"
#include "ui_strings.h"
#include "user_folders.h"

using namespace tessaly::app;
using namespace tessaly::host;

namespace {

constexpr double kInchesPerMetre = 0.0254;

// A smooth colour ramp, so that a reduced decode and a full one scaled agree closely.
QImage ramp(int width, int height) {
  QImage image(width, height, QImage::Format_RGB888);
  for (int y = 0; y < height; ++y) {
    uint8_t* line = image.scanLine(y);
    for (int x = 0; x < width; ++x) {
      line[3 * x] = uint8_t(255 * x / width);
      line[3 * x + 1] = uint8_t(255 * y / height);
      line[3 * x + 2] = uint8_t(128);
    }
  }
  return image;
}

QString writeImage(const std::string& path, QImage image, int xDpi, int yDpi, const char* format) {
  image.setDotsPerMeterX(int(std::lround(xDpi / kInchesPerMetre)));
  image.setDotsPerMeterY(int(std::lround(yDpi / kInchesPerMetre)));
  const QString name = QString::fromStdString(path);
  EXPECT_TRUE(image.save(name, format, 90)) << path;
  return name;
}

QString writeJpeg(const std::string& path, int width, int height, int xDpi = 300, int yDpi = 300) {
  return writeImage(path, ramp(width, height), xDpi, yDpi, "JPG");
}

void writeBytes(const std::string& path, const QByteArray& bytes) {
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

// A 24-bit BMP of 4 x 2 pixels whose header gives `perMetre` pixels per metre both ways.
QByteArray bmpBytes(int32_t perMetre) {
  QByteArray bytes(54 + 2 * 12, '\0');
  auto put32 = [&](int at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = char(value >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, uint32_t(bytes.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, 4);
  put32(22, 2);
  bytes[26] = 1;
  bytes[28] = 24;
  put32(38, uint32_t(perMetre));
  put32(42, uint32_t(perMetre));
  return bytes;
}

// A 1-bit TIFF of 16 x 8 pixels with its resolution in pixels per centimetre.
void writeTiffInCentimetres(const std::string& path, float xPerCm, float yPerCm) {
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tiff, nullptr);
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 16);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 8);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
  TIFFSetField(tiff, TIFFTAG_XRESOLUTION, xPerCm);
  TIFFSetField(tiff, TIFFTAG_YRESOLUTION, yPerCm);
  uint8_t row[2] = {0xF0, 0x0F};
  for (uint32_t y = 0; y < 8; ++y) TIFFWriteScanline(tiff, row, y, 0);
  TIFFClose(tiff);
}

QSize previewOf(const PieceItem& piece) {
  int32_t width = 0, height = 0;
  Zan0Inter(piece.preview, op::kPictureSize, reinterpret_cast<intptr_t>(&width),
            reinterpret_cast<intptr_t>(&height));
  return {width, height};
}

double meanDifference(const QImage& a, const QImage& b) {
  const QImage left = a.convertToFormat(QImage::Format_RGB888);
  const QImage right = b.convertToFormat(QImage::Format_RGB888);
  double sum = 0;
  for (int y = 0; y < left.height(); ++y) {
    for (int x = 0; x < left.width() * 3; ++x) {
      sum += std::abs(int(left.constScanLine(y)[x]) - int(right.constScanLine(y)[x]));
    }
  }
  return sum / (double(left.width()) * left.height() * 3);
}

class PiecesTest : public testing::Test {
 protected:
  tessaly::test::TempFolder folder_;
  std::string file(const std::string& name) const { return folder_.file(name); }
};

// ---- Reading files.

TEST_F(PiecesTest, ResolutionsSizeAndDepthComeFromTheFileHeaders) {
  PieceFacts facts;
  ASSERT_TRUE(readPieceFacts(writeJpeg(file("a.jpg"), 64, 48, 300, 200), facts));
  EXPECT_EQ(facts.width, 64);
  EXPECT_EQ(facts.height, 48);
  EXPECT_EQ(facts.xResolution, 300);
  EXPECT_EQ(facts.yResolution, 200);
  EXPECT_EQ(facts.bitDepth, 24);

  ASSERT_TRUE(readPieceFacts(
      writeImage(file("g.png"), ramp(20, 10).convertToFormat(QImage::Format_Grayscale8), 150, 75,
                 "PNG"),
      facts));
  EXPECT_EQ(QSize(facts.width, facts.height), QSize(20, 10));
  EXPECT_EQ(facts.bitDepth, 8);
  EXPECT_EQ(facts.xResolution, 150);
  EXPECT_EQ(facts.yResolution, 75);

  writeBytes(file("r.bmp"), bmpBytes(11811));  // 300 pixels per inch
  ASSERT_TRUE(readPieceFacts(QString::fromStdString(file("r.bmp")), facts));
  EXPECT_EQ(QSize(facts.width, facts.height), QSize(4, 2));
  EXPECT_EQ(facts.xResolution, 300);
  EXPECT_EQ(facts.bitDepth, 24);

  writeTiffInCentimetres(file("t.tif"), 118.11f, 47.24f);
  ASSERT_TRUE(readPieceFacts(QString::fromStdString(file("t.tif")), facts));
  EXPECT_EQ(QSize(facts.width, facts.height), QSize(16, 8));
  EXPECT_EQ(facts.bitDepth, 1);
  EXPECT_EQ(facts.xResolution, 300);
  EXPECT_EQ(facts.yResolution, 120);

  writeBytes(file("broken.jpg"), QByteArray("\xFF\xD8\xFF\xE0 not really", 16));
  EXPECT_FALSE(readPieceFacts(QString::fromStdString(file("broken.jpg")), facts));
  EXPECT_FALSE(readPieceFacts(QString::fromStdString(file("missing.png")), facts));
}

TEST_F(PiecesTest, PiecesTakeTheGivenResolutionsElseTheFilesAndFiftyForNone) {
  PieceList pieces;
  writeBytes(file("none.bmp"), bmpBytes(0));
  ASSERT_TRUE(pieces.add(QString::fromStdString(file("none.bmp")), -1, 0, false));
  EXPECT_EQ(pieces.at(0).xResolution, 50);
  EXPECT_EQ(pieces.at(0).yResolution, 50);

  ASSERT_TRUE(pieces.add(writeJpeg(file("p.jpg"), 40, 30, 300, 200), 0, 0, false));
  EXPECT_EQ(pieces.at(1).xResolution, 300);
  EXPECT_EQ(pieces.at(1).yResolution, 200);
  ASSERT_TRUE(pieces.add(writeJpeg(file("q.jpg"), 40, 30, 300, 200), 600, -1, false));
  EXPECT_EQ(pieces.at(2).xResolution, 600);
  EXPECT_EQ(pieces.at(2).yResolution, 200);
  EXPECT_EQ(pieces.at(2).bitDepth, 24);
  EXPECT_EQ(QSize(pieces.at(2).width, pieces.at(2).height), QSize(40, 30));
  EXPECT_TRUE(pieces.at(2).file && pieces.at(2).file->isOpen());
}

TEST_F(PiecesTest, AJpegPreviewIsReducedToTheLimitLikeAFullDecodeScaled) {
  const QString large = writeJpeg(file("large.jpg"), 2000, 1200);
  const QImage preview = loadPreview(large, 800);
  ASSERT_FALSE(preview.isNull());
  const QImage full = QImage(large).scaled(800, 800, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  EXPECT_EQ(preview.size(), full.size());
  EXPECT_EQ(preview.size(), QSize(800, 480));
  EXPECT_LT(meanDifference(preview, full), 3.0);

  // Already small: kept as it is. A grey JPEG stays grey.
  EXPECT_EQ(loadPreview(writeJpeg(file("small.jpg"), 300, 200), 800).size(), QSize(300, 200));
  const QImage grey = ramp(900, 300).convertToFormat(QImage::Format_Grayscale8);
  const QImage greyPreview = loadPreview(writeImage(file("grey.jpg"), grey, 72, 72, "JPG"), 800);
  EXPECT_EQ(greyPreview.size(), QSize(800, 266));
  EXPECT_TRUE(greyPreview.isGrayscale());

  EXPECT_TRUE(loadPreview(QString::fromStdString(file("missing.jpg")), 800).isNull());
  EXPECT_EQ(previewSize(QSize(3508, 2480), 800), QSize(800, 565));
}

TEST_F(PiecesTest, TiffAndBmpPreviewsFitTheLimit) {
  writeTiffInCentimetres(file("t.tif"), 100, 100);
  EXPECT_EQ(loadPreview(QString::fromStdString(file("t.tif")), 8).size(), QSize(8, 4));
  EXPECT_EQ(loadPreview(writeImage(file("w.bmp"), ramp(1000, 100), 96, 96, "BMP"), 800).size(),
            QSize(800, 80));
}

// ---- The list.

TEST_F(PiecesTest, PiecesAreListedInPathOrderWhateverTheirCase) {
  PieceList pieces;
  const QString b = writeJpeg(file("b.jpg"), 20, 10);
  const QString a = writeJpeg(file("A.jpg"), 20, 10);
  const QString c = writeJpeg(file("c.jpg"), 20, 10);
  ASSERT_TRUE(pieces.add(b, -1, -1, false));
  ASSERT_TRUE(pieces.add(c, -1, -1, false));
  ASSERT_TRUE(pieces.add(a, -1, -1, false));
  ASSERT_EQ(pieces.count(), 3);
  EXPECT_EQ(pieces.at(0).path, a);
  EXPECT_EQ(pieces.at(1).path, b);
  EXPECT_EQ(pieces.at(2).path, c);
  // The piece that started the list stays the source.
  EXPECT_EQ(pieces.sourcePath(), b);
  EXPECT_EQ(pieces.sourceBitDepth(), 24);
  EXPECT_TRUE(pieces.contains(QString::fromStdString(file("B.JPG"))));
  EXPECT_FALSE(pieces.contains(QString::fromStdString(file("d.jpg"))));
}

TEST_F(PiecesTest, TurningAPieceTurnsItsPreviewSizeAndResolutionsButNotItsFile) {
  PieceList pieces;
  const QString path = writeJpeg(file("turn.jpg"), 1000, 600);
  ASSERT_TRUE(pieces.add(path, 300, 200, false));
  ASSERT_TRUE(pieces.add(writeJpeg(file("still.jpg"), 1000, 600), 300, 200, false));
  const QByteArray before = [&] {
    QFile original(path);
    original.open(QIODevice::ReadOnly);
    return original.readAll();
  }();
  pieces.setSelected(1, true);  // "turn.jpg" after "still.jpg"

  EXPECT_EQ(pieces.rotateSelected(true), std::vector<int>{1});
  const PieceItem& turned = pieces.at(1);
  EXPECT_EQ(turned.rotation, 90);
  EXPECT_EQ(QSize(turned.width, turned.height), QSize(600, 1000));
  EXPECT_EQ(turned.xResolution, 200);
  EXPECT_EQ(turned.yResolution, 300);
  EXPECT_EQ(previewOf(turned), QSize(480, 800));

  pieces.rotateSelected(true);
  EXPECT_EQ(turned.rotation, 180);
  EXPECT_EQ(QSize(turned.width, turned.height), QSize(1000, 600));
  EXPECT_EQ(turned.xResolution, 300);
  EXPECT_EQ(turned.yResolution, 200);
  EXPECT_EQ(previewOf(turned), QSize(800, 480));

  pieces.rotateSelected(false);
  EXPECT_EQ(turned.rotation, 90);
  EXPECT_EQ(pieces.at(0).rotation, 0);  // not selected
  EXPECT_EQ(QSize(pieces.at(0).width, pieces.at(0).height), QSize(1000, 600));
  QFile after(path);
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.readAll(), before);
}

TEST_F(PiecesTest, OnlyTheProgramsOwnFilesGoWithTheirPieces) {
  const QString scan = writeJpeg(file("Scaned1.jpg"), 20, 10);
  const QString users = writeJpeg(file("users.jpg"), 20, 10);
  const QString kept = writeJpeg(file("kept.jpg"), 20, 10);
  {
    PieceList pieces;
    ASSERT_TRUE(pieces.add(scan, 300, 300, true));
    ASSERT_TRUE(pieces.add(users, -1, -1, false));
    ASSERT_TRUE(pieces.add(kept, -1, -1, false));
    // In path order: kept.jpg, Scaned1.jpg, users.jpg.
    pieces.setSelected(1, true);
    pieces.setSelected(2, true);
    pieces.removeSelected();
    ASSERT_EQ(pieces.count(), 1);
    EXPECT_EQ(pieces.at(0).path, kept);
    EXPECT_FALSE(QFile::exists(scan));
    EXPECT_TRUE(QFile::exists(users));

    pieces.closeFiles();  // the page is hidden: listed, files closed
    EXPECT_EQ(pieces.count(), 1);
    EXPECT_FALSE(pieces.at(0).file->isOpen());
  }
  EXPECT_TRUE(QFile::exists(kept));  // the list went, the user's file stays

  PieceList only;
  ASSERT_TRUE(only.add(kept, -1, -1, false));
  only.setSelected(0, true);
  only.removeSelected();
  EXPECT_EQ(only.count(), 0);
  EXPECT_EQ(only.extremes().maxWidth, 0);
}

TEST_F(PiecesTest, ExtremesSpanEveryPiece) {
  PieceList pieces;
  ASSERT_TRUE(pieces.add(writeJpeg(file("a.jpg"), 40, 30), 300, 150, false));
  ASSERT_TRUE(pieces.add(writeJpeg(file("b.jpg"), 20, 50), 100, 600, false));
  const PieceExtremes extremes = pieces.extremes();
  EXPECT_EQ(extremes.minWidth, 20);
  EXPECT_EQ(extremes.maxWidth, 40);
  EXPECT_EQ(extremes.minHeight, 30);
  EXPECT_EQ(extremes.maxHeight, 50);
  EXPECT_EQ(extremes.minXResolution, 100);
  EXPECT_EQ(extremes.maxXResolution, 300);
  EXPECT_EQ(extremes.minYResolution, 150);
  EXPECT_EQ(extremes.maxYResolution, 600);
}

// ---- Thumbnails.

TEST(ThumbnailCellSize, FollowsThePieceCountAndTheArea) {
  EXPECT_EQ(thumbnailCellSize(1, 300, 200), 180);
  EXPECT_EQ(thumbnailCellSize(1, 200, 300), 180);
  EXPECT_EQ(thumbnailCellSize(2, 300, 200), 130);   // half the long side is the smaller
  EXPECT_EQ(thumbnailCellSize(2, 1000, 400), 380);  // else the short side
  EXPECT_EQ(thumbnailCellSize(3, 1200, 800), 380);
  EXPECT_EQ(thumbnailCellSize(4, 1200, 800), 380);
  EXPECT_EQ(thumbnailCellSize(5, 800, 600), 246);
  EXPECT_EQ(thumbnailCellSize(6, 800, 600), 246);
  EXPECT_EQ(thumbnailCellSize(7, 800, 600), 180);
  EXPECT_EQ(thumbnailCellSize(8, 1200, 800), 280);
  EXPECT_EQ(thumbnailCellSize(9, 1200, 800), 246);
  EXPECT_EQ(thumbnailCellSize(10, 1200, 800), 220);
  EXPECT_EQ(thumbnailCellSize(11, 1200, 800), 150);
  EXPECT_EQ(thumbnailCellSize(40, 100, 100), 150);
}

TEST(ThumbnailCellSize, IsHeldBetween80And400UpToTenPieces) {
  EXPECT_EQ(thumbnailCellSize(1, 101, 500), 81);
  EXPECT_EQ(thumbnailCellSize(1, 100, 500), 80);
  EXPECT_EQ(thumbnailCellSize(3, 300, 200), 80);  // 80 below the least
  EXPECT_EQ(thumbnailCellSize(1, 419, 500), 399);
  EXPECT_EQ(thumbnailCellSize(1, 420, 500), 400);
  EXPECT_EQ(thumbnailCellSize(1, 2000, 1500), 400);
  EXPECT_EQ(thumbnailCellSize(10, 40, 40), 80);
}

class ThumbnailTest : public PiecesTest {
 protected:
  void SetUp() override {
    const std::string ui = file("page.ui");
    writeBytes(ui, R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0"><widget class="QWidget" name="page">
<property name="geometry"><rect><x>0</x><y>0</y><width>700</width><height>500</height></rect></property>
<widget class="QFrame" name="cata_Label">
<property name="geometry"><rect><x>0</x><y>0</y><width>300</width><height>200</height></rect></property>
<widget class="ZanAlbum" name="album1">
<property name="geometry"><rect><x>0</x><y>0</y><width>300</width><height>200</height></rect></property>
</widget></widget></widget></ui>)");
    QString error;
    page_.reset(loadUiFile(QString::fromStdString(ui), nullptr, &error));
    ASSERT_TRUE(page_) << error.toStdString();
    page_->show();
    album_ = controlOf(page_->findChild<QWidget*>("album1"));
    label_ = controlOf(page_->findChild<QWidget*>("cata_Label"));
    thumbnails_ = std::make_unique<ThumbnailAlbum>(
        album_, label_, QString::fromStdString(programFolder() + "UI/Thumb_shadow.pui"), pieces_);
  }
  void TearDown() override {
    thumbnails_.reset();
    page_.reset();
  }

  QWidget* part(int index, const char* name) {
    auto* cell = reinterpret_cast<ZanObject*>(Zan0Inter(album_, op::kAlbumCell, index));
    QWidget* widget = widgetOf(cell);
    if (!widget) return nullptr;
    return widget->objectName() == name ? widget : widget->findChild<QWidget*>(name);
  }
  QRect rectOf(int index, const char* name) {
    QWidget* widget = part(index, name);
    return widget ? widget->geometry() : QRect();
  }
  bool marked(int index) {
    return !part(index, "Select")->isHidden() && part(index, "Unselect")->isHidden();
  }

  PieceList pieces_;
  std::unique_ptr<QWidget> page_;
  ZanObject* album_ = nullptr;
  ZanObject* label_ = nullptr;
  std::unique_ptr<ThumbnailAlbum> thumbnails_;
};

TEST_F(ThumbnailTest, OneCellPerPieceWithItsFittedFrameMarksAndTip) {
  const QString wide = writeJpeg(file("a.jpg"), 1000, 600);
  ASSERT_TRUE(pieces_.add(wide, -1, -1, false));
  thumbnails_->rebuild();
  EXPECT_EQ(Zan0Inter(album_, op::kAlbumCount), 1);
  EXPECT_EQ(thumbnails_->cellSize(), 180);
  // Nothing was selected: the first piece is selected and focused.
  EXPECT_TRUE(pieces_.at(0).selected);
  EXPECT_EQ(Zan0Inter(album_, op::kAlbumFocused), 0);
  EXPECT_TRUE(marked(0));
  // 1000 x 600 fitted into 174 x 174 is 174 x 104; its frame 180 x 110, centred.
  EXPECT_EQ(rectOf(0, "PanelThumb"), QRect(0, 35, 180, 110));
  EXPECT_EQ(rectOf(0, "Imgc_View"), QRect(3, 38, 174, 104));
  EXPECT_EQ(part(0, "tipPanel")->toolTip(), wide + "\n1000 X 600");

  pieces_.rotateSelected(true);
  thumbnails_->redraw(0);
  EXPECT_EQ(rectOf(0, "PanelThumb"), QRect(35, 0, 110, 180));
  EXPECT_EQ(part(0, "tipPanel")->toolTip(), wide + "\n600 X 1000");
}

TEST_F(ThumbnailTest, RebuildingKeepsTheSelectionAndTheUsersChoiceReachesTheList) {
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
    ASSERT_TRUE(pieces_.add(writeJpeg(file(name), 60, 40), -1, -1, false));
  }
  pieces_.setSelected(1, true);
  pieces_.setSelected(2, true);
  thumbnails_->rebuild();
  EXPECT_EQ(Zan0Inter(album_, op::kAlbumCount), 3);
  EXPECT_EQ(thumbnails_->cellSize(), 80);
  EXPECT_FALSE(pieces_.at(0).selected);
  EXPECT_EQ(Zan0Inter(album_, op::kAlbumIsSelected, 1), 1);
  EXPECT_EQ(Zan0Inter(album_, op::kAlbumIsSelected, 2), 1);
  EXPECT_EQ(Zan0Inter(album_, op::kAlbumFocused), 1);
  EXPECT_FALSE(marked(0));
  EXPECT_TRUE(marked(2));

  int reports = 0;
  QObject::connect(thumbnails_.get(), &ThumbnailAlbum::selectionChanged, [&] { ++reports; });
  Zan0Inter(album_, op::kAlbumSelect, 0, 1);
  Zan0Inter(album_, op::kAlbumSelect, 2, 0);
  EXPECT_EQ(reports, 2);
  EXPECT_TRUE(pieces_.at(0).selected);
  EXPECT_FALSE(pieces_.at(2).selected);
  EXPECT_TRUE(marked(0));
  EXPECT_FALSE(marked(2));

  // Removing and rebuilding reports no selection change of its own.
  pieces_.removeSelected();
  thumbnails_->rebuild();
  EXPECT_EQ(reports, 2);
  EXPECT_EQ(Zan0Inter(album_, op::kAlbumCount), 1);
  thumbnails_->detach();
  EXPECT_EQ(Zan0Inter(album_, op::kAlbumCount), 0);
  EXPECT_EQ(reports, 2);
}

// ---- Intake.

class IntakeTest : public PiecesTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(strings_.load(QString::fromStdString(programFolder() + "UI")));
  }
  UiStrings strings_;
};

// Acts on the modal dialogs `act` takes (it returns true for them): on the first only when
// `once`, else on every one. Each watcher has its own timer, so one can close a message box
// while another's action waits for that box to close.
class DialogWatcher {
 public:
  DialogWatcher(bool once, std::function<bool(QDialog*)> act) : act_(std::move(act)) {
    QObject::connect(&timer_, &QTimer::timeout, [this, once] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!dialog || !dialog->isVisible()) return;
      if (once) timer_.stop();
      if (!act_(dialog) && once) timer_.start();
    });
    timer_.start(20);
  }

 private:
  QTimer timer_;
  std::function<bool(QDialog*)> act_;
};

// Closes every message box, noting its text.
DialogWatcher messageCloser(QStringList& shown) {
  return DialogWatcher(false, [&shown](QDialog* box) {
    if (qobject_cast<QFileDialog*>(box)) return false;
    shown << box->findChild<QLabel*>("view_text")->text();
    box->done(0);
    return true;
  });
}

TEST_F(IntakeTest, FilesAreCountedAsAddedDuplicateOrUnusable) {
  PieceList pieces;
  const QString a = writeJpeg(file("a.jpg"), 20, 10);
  const QString b = writeJpeg(file("b.JPEG"), 20, 10);
  writeBytes(file("notes.txt"), "text");
  writeBytes(file("broken.png"), "not a picture");
  writeJpeg(file("c.jp"), 20, 10);  // ".jp" is only part of the filter's ".jpg"
  const QStringList paths = {a,
                             a,
                             QString::fromStdString(file("notes.txt")),
                             QString::fromStdString(file("broken.png")),
                             QString::fromStdString(file("c.jp")),
                             QString::fromStdString(file("gone.jpg")),
                             QString::fromStdString(file("noextension")),
                             b};
  const IntakeCounts counts = addFiles(pieces, paths, strings_);
  EXPECT_EQ(counts.added, 2);
  EXPECT_EQ(counts.duplicates, 1);
  EXPECT_EQ(counts.unusable, 5);
  EXPECT_EQ(pieces.count(), 2);
  EXPECT_FALSE(pieces.at(0).temporary);
}

TEST_F(IntakeTest, EachKindOfTroubleIsReportedOnceDuplicatesFirst) {
  QStringList shown;
  DialogWatcher closer = messageCloser(shown);
  reportIntake(nullptr, strings_, {1, 3, 4});
  EXPECT_EQ(shown, QStringList({strings_.text(22), strings_.text(38)}));
  shown.clear();
  reportIntake(nullptr, strings_, {2, 0, 0});
  EXPECT_TRUE(shown.isEmpty());
  reportIntake(nullptr, strings_, {0, 0, 1});
  EXPECT_EQ(shown, QStringList({strings_.text(38)}));
}

TEST_F(IntakeTest, TheOpenDialogStartsInTheLastFolderAndStoresTheNewOne) {
  app_test::UserFolders home;
  Settings settings(home.file("Tessaly.ini"), home.file("Tessaly.set"));
  tessaly::test::TempFolder first, second;
  settings.setLastOpenFolder(first.path());
  const QString chosen = writeJpeg(second.file("piece.jpg"), 20, 10);
  QString startedIn;
  DialogWatcher chooser(true, [&](QDialog* dialog) {
    auto* files = qobject_cast<QFileDialog*>(dialog);
    if (!files) return false;
    startedIn = files->directory().absolutePath();
    if (!app_test::typeFileName(files, chosen)) return false;
    dialog->accept();
    return true;
  });
  EXPECT_EQ(askOpenFiles(nullptr, strings_, settings), QStringList({chosen}));
  EXPECT_EQ(startedIn, QString::fromStdString(first.path()));
  EXPECT_EQ(settings.lastOpenFolder(), second.path());
}

TEST_F(IntakeTest, TheOpenDialogRefusesAPathOf256CharactersAndStaysOpen) {
  app_test::UserFolders home;
  Settings settings(home.file("Tessaly.ini"), home.file("Tessaly.set"));
  settings.setLastOpenFolder(folder_.path());
  const std::string deep = file(std::string(120, 'd')) + "/" + std::string(120, 'e');
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(deep)));
  const QString longPath = writeJpeg(deep + "/piece.jpg", 20, 10);
  ASSERT_GE(longPath.size(), 256);

  QStringList messages;
  DialogWatcher closer = messageCloser(messages);
  bool stayedOpen = false;
  DialogWatcher chooser(true, [&](QDialog* dialog) {
    auto* files = qobject_cast<QFileDialog*>(dialog);
    if (!files) return false;
    if (!app_test::typeFileName(files, longPath)) return false;
    dialog->accept();  // returns after the warning was closed
    stayedOpen = files->isVisible();
    files->reject();
    return true;
  });
  EXPECT_TRUE(askOpenFiles(nullptr, strings_, settings).isEmpty());
  EXPECT_EQ(messages, QStringList({strings_.text(41)}));
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(settings.lastOpenFolder(), folder_.path());
}

}  // namespace
