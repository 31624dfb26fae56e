// A scanned image kept as a TIFF file in the work folder (PictBin), under the first free name
// "Scaned<n>.TIF", at the depth it was scanned with and with its resolution: black and white as
// 1 bit, grey as 8 or 16 bits, a source's palette as 8-bit indices, colour as 24 or 48 bits. The
// bitmap's rows go straight to the TIFF writer; the file-I/O loader's write stream puts the file
// in place only once it is complete, so a failed write leaves nothing behind.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace tessaly::app {

struct ScannedImage;

// How a scanned bitmap is stored: the writer's colour model and bits per pixel, and whether
// 1-bit samples are turned round (the writer's bit 1 is white; a bitmap whose first palette
// entry is white has it the other way).
struct ScanFileLayout {
  int32_t colorModel = 0;
  int32_t bits = 0;
  bool invertBits = false;
};

// Nothing for a bitmap no TIFF of ours holds (4 or 32 bits per pixel).
std::optional<ScanFileLayout> scanFileLayout(const ScannedImage& image);

// The path written, or nothing when the image has no stored form or the file cannot be written.
std::optional<QString> storeScan(const ScannedImage& image);

}  // namespace tessaly::app
