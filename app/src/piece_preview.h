// What the piece list needs of an image file without decoding it whole: its pixel size,
// resolution and bits per pixel from the header, and a small preview decoded at reduced size.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace tessaly::app {

struct PieceFacts {
  int width = 0;
  int height = 0;
  int xResolution = 0;  // pixels per inch; 0 when the file does not say
  int yResolution = 0;
  int bitDepth = 0;  // bits per pixel of the stored image
};

// Reads the facts from the file's header (JPEG, TIFF, BMP and PNG without decoding pixels;
// other formats through Qt's readers). False when the file is not a readable image.
bool readPieceFacts(const QString& path, PieceFacts& facts);

// The size of an image of `size` fitted into `limit` x `limit` with its aspect kept; images
// already inside the limit keep their size.
QSize previewSize(QSize size, int limit);

// The file's image fitted into `limit` x `limit` pixels. JPEG files are decoded at the
// smallest libjpeg scale that still covers the fitted size, so a large scan costs a fraction
// of a full decode. A null image when the file cannot be decoded.
QImage loadPreview(const QString& path, int limit);

}  // namespace tessaly::app
