// Times the thumbnails of ten A4 pieces scanned at 300 pixels per inch (2480 x 3508 JPEG
// files): adding them to the piece list (header, preview at reduced size, open file) and
// building their cells in the album, against decoding each file whole and scaling it.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "folders.h"
#include "piece_list.h"
#include "tessaly/host/operations.h"
#include "tessaly/host/widgets.h"
#include "thumbnail_album.h"

namespace {

constexpr int kPieces = 10;
constexpr int kRounds = 5;
constexpr int kWidth = 2480, kHeight = 3508;  // A4 at 300 pixels per inch

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// A page-like picture: light paper with dark strokes and some grain, so the JPEG file has a
// scan's size rather than a flat picture's.
QImage page(int seed) {
  QImage image(kWidth, kHeight, QImage::Format_RGB888);
  uint32_t state = uint32_t(seed) * 2654435761u + 1;
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* line = image.scanLine(y);
    const bool textLine = (y / 40) % 2 == 0;
    for (int x = 0; x < kWidth; ++x) {
      state = state * 1664525u + 1013904223u;
      const int grain = int(state >> 28);
      const bool ink = textLine && ((x / 13 + y / 7 + seed) % 5 == 0);
      const uint8_t value = uint8_t(ink ? 40 + grain : 235 + grain);
      line[3 * x] = value;
      line[3 * x + 1] = value;
      line[3 * x + 2] = uint8_t(value - 10);
    }
  }
  image.setDotsPerMeterX(11811);
  image.setDotsPerMeterY(11811);
  return image;
}

std::unique_ptr<QWidget> albumPage(const QString& folder) {
  const QString ui = folder + "/page.ui";
  QFile file(ui);
  file.open(QIODevice::WriteOnly);
  file.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0"><widget class="QWidget" name="page">
<property name="geometry"><rect><x>0</x><y>0</y><width>900</width><height>600</height></rect></property>
<widget class="QFrame" name="cata_Label">
<property name="geometry"><rect><x>0</x><y>0</y><width>900</width><height>600</height></rect></property>
<widget class="ZanAlbum" name="album1">
<property name="geometry"><rect><x>0</x><y>0</y><width>900</width><height>600</height></rect></property>
</widget></widget></widget></ui>)");
  file.close();
  QString error;
  std::unique_ptr<QWidget> root(tessaly::host::loadUiFile(ui, nullptr, &error));
  if (!root) std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
  return root;
}

double timeThumbnails(const QStringList& paths, QWidget* root) {
  using namespace tessaly::app;
  ZanObject* album = tessaly::host::controlOf(root->findChild<QWidget*>("album1"));
  ZanObject* label = tessaly::host::controlOf(root->findChild<QWidget*>("cata_Label"));
  QElapsedTimer clock;
  clock.start();
  PieceList pieces;
  ThumbnailAlbum thumbnails(
      album, label, QString::fromStdString(programFolder() + "UI/Thumb_shadow.pui"), pieces);
  for (const QString& path : paths) pieces.add(path, -1, -1, false);
  thumbnails.rebuild();
  root->repaint();
  const double elapsed = clock.nsecsElapsed() / 1e6;
  if (pieces.count() != kPieces) std::fprintf(stderr, "only %d pieces added\n", pieces.count());
  return elapsed;
}

double timeWholeDecodes(const QStringList& paths) {
  QElapsedTimer clock;
  clock.start();
  for (const QString& path : paths) {
    QImageReader reader(path);
    const QImage image = reader.read();
    const QImage preview = image.scaled(800, 800, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (preview.isNull()) std::fprintf(stderr, "cannot decode %s\n", qPrintable(path));
  }
  return clock.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QTemporaryDir folder;
  QStringList paths;
  qint64 bytes = 0;
  for (int i = 0; i < kPieces; ++i) {
    const QString path = folder.filePath(QString("piece%1.jpg").arg(i));
    page(i).save(path, "JPG", 90);
    bytes += QFile(path).size();
    paths << path;
  }
  std::unique_ptr<QWidget> root = albumPage(folder.path());
  if (!root) return 1;
  root->show();

  std::vector<double> thumbnails, whole;
  for (int round = 0; round < kRounds; ++round) {
    thumbnails.push_back(timeThumbnails(paths, root.get()));
    whole.push_back(timeWholeDecodes(paths));
  }
  std::printf("ten %dx%d JPEG pieces (%.1f MB in all), median of %d rounds\n", kWidth, kHeight,
              bytes / 1e6, kRounds);
  std::printf("  listed with thumbnails (reduced decode): %7.1f ms (target 1000 ms)\n",
              median(thumbnails));
  std::printf("  whole decode and scale, for comparison:  %7.1f ms\n", median(whole));
  return 0;
}
