// Writes a host picture to a file through the image engine's export, the format chosen by the
// file's extension (".tif"/".tiff", ".jpg"/".jpeg", ".bmp"; ".gif" as 8 bits per pixel). The
// picture goes to a temporary file in the target's folder that replaces the target only once it
// is complete, so a failed write never harms a file that was there before.
#pragma once

#include <QString>

struct ZanObject;

namespace tessaly::app {

// True when the whole file was written; otherwise false with the reason in `reason` (when given)
// and the target as it was.
bool writePicture(ZanObject* picture, const QString& path, QString* reason = nullptr);

}  // namespace tessaly::app
