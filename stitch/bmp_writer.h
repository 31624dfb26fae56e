// Writes 24-bit images as uncompressed BMP files (the engine's temporary store format).
#pragma once

#include <string>

#include "pixel_array.h"
#include "progress.h"

namespace tessaly::stitch {

// The path a BMP is written to: path itself when its extension is ".bmp" in any case, else the
// path with its extension replaced (or added) as ".bmp".
std::string bmpPathFor(const std::string& path);

// Writes image to bmpPathFor(path) and returns that path. The header is the classic 54-byte one
// with a positive height, so rows are stored from the last to the first: any BMP reader then
// sees the image's row 0 as the top row. Pixel data goes out in 16 MiB chunks with a report
// before each. Throws QX_ERR_INPUT for an empty path or a failed open or write, QX_CANCELLED on
// a cancel request (the partial file stays for the temporary store to delete).
std::string writeBmp(const std::string& path, const tagPixelArray& image,
                     const ProgressRange& range = {});

}  // namespace tessaly::stitch
