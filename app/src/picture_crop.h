// Cutting a host picture to a rectangle through the image tools' crop.
#pragma once

#include <QRect>

struct ZanObject;

namespace tessaly::app {

// A new picture (one reference) holding the part of `picture` inside `rect` (picture pixels),
// with the picture's resolution and save options; null when the rectangle holds no pixel of
// the picture or the engine or the tools fail, the picture unchanged in every case.
ZanObject* cropPicture(ZanObject* picture, const QRect& rect);

}  // namespace tessaly::app
