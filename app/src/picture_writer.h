// Writes a host picture to a file through the image engine's export, the format chosen by the
// file's extension (".tif"/".tiff", ".jpg"/".jpeg", ".bmp"; ".gif" as 8 bits per pixel). The
// picture goes to a temporary file in the target's folder that replaces the target only once it
// is complete, so a failed write never harms a file that was there before and leaves nothing.
#pragma once

#include <QString>

struct ZanObject;

namespace tessaly::app {

// Save option of a host picture naming a file whose characteristics a TIFF takes on (its value:
// a const char* UTF-8 path, kept alive by whoever sets it until the write is done). A source
// with 8 bits per pixel makes the TIFF 8 bits with a palette. Option 104 (bits per pixel) is
// taken by the BMP writer (1, 4 or 8 reduce the colours) and is 8 for ".gif".
constexpr int kSaveOptionTemplate = 114;

// True when the whole file was written; otherwise false with the reason in `reason` (when given)
// and the target as it was.
bool writePicture(ZanObject* picture, const QString& path, QString* reason = nullptr);

}  // namespace tessaly::app
