// A dense text page, the kind that is hardest to stitch: two columns of small body text with
// headings, forms whose blocks repeat the same fields again and again, and long ruled tables,
// with nothing but text and rules to tell one part of the page from another.
#pragma once

#include "bgr_image.h"
#include "page_layout.h"

namespace tessaly::cli {

// Throws like renderPage.
BgrImage renderDensePage(const PageRequest& request);

}  // namespace tessaly::cli
