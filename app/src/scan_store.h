// A scanned image kept as a TIFF file in the work folder (PictBin), under the first free name
// "Scaned<n>.TIF", with its resolution. The file is written whole under a staging name and then
// renamed, so a failed write leaves nothing behind.
#pragma once

#include <QString>
#include <optional>

namespace tessaly::app {

struct ScannedImage;

// The path written, or nothing when the image cannot be shown or the file cannot be written.
std::optional<QString> storeScan(const ScannedImage& image);

}  // namespace tessaly::app
