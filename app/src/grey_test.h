// Whether a picture is grey: every pixel with equal red, green and blue. A grey picture is not
// offered the enhancement.
#pragma once

class QImage;

namespace tessaly::app {

// Tests the image in tiles of `tile` x `tile` pixels, stopping at the first tile with a coloured
// pixel. A null image is not grey.
bool isGreyImage(const QImage& image, int tile = 100);

}  // namespace tessaly::app
