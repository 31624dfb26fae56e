// Keeps only the small dark marks of a page (characters) in its bit image.
#pragma once

#include "straighten_bit_image.h"

namespace tessaly::stitch {

// Labels the 4-connected groups of set pixels. With A the image area, groups smaller than
// A / 1024 stay, larger ones are cleared. Returns false, leaving the image as it is, when a group
// is larger than A / 4: a photograph or a dark border, whose skew text lines cannot tell.
bool keepSmallMarks(BitImage& bits);

}  // namespace tessaly::stitch
