// The outline of a picture's selection as a view shows it.
#pragma once

#include <cstdint>
#include <vector>

#include "view.h"
#include "zanengin.h"

namespace tessaly::engine {

// 255 where a pixel of the coverage (width x height values, rows packed) is selected (128 or
// more) and one of its four neighbours is not (outside counts as not selected); 0 elsewhere.
std::vector<unsigned char> selectionOutline(const std::vector<unsigned char>& coverage,
                                            int32_t width, int32_t height);

// Draws the outline inside rect (view coordinates from 0, 0) on the device: flag 0 inverts the
// device's pixels under it, another value blackens them. Throws.
void showSelection(View& view, const ZanDevice& device, const RECT& rect, int32_t flag);

}  // namespace tessaly::engine
