// A whole generated document page: running header, title, body text in one or more columns with
// headings, ruled tables, a photo-like picture and a list, and a footer.
#pragma once

#include <cstdint>
#include <string>

#include "bgr_image.h"

namespace tessaly::cli {

struct PageRequest {
  int32_t width = 0;  // pixels
  int32_t height = 0;
  int32_t dpi = 150;
  uint64_t seed = 1;
  std::string fontFolder;  // holds the DejaVu fonts
};

// Throws std::runtime_error when a font cannot be opened, std::invalid_argument for a page size
// outside what a picture may have.
BgrImage renderPage(const PageRequest& request);

}  // namespace tessaly::cli
