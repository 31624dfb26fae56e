// The test canvas.
#include "view_canvas.h"

namespace tessaly::engine::test {

Canvas::Canvas(int32_t width, int32_t height, unsigned char byte)
    : width_(width),
      height_(height),
      bytes_(static_cast<size_t>(width) * height * 3, byte),
      device_{&Canvas::display, this} {}

int32_t Canvas::display(void* context, int32_t x, int32_t y, const ZanDisplayBitmap* bitmap,
                        uint32_t rasterOp) {
  auto* self = static_cast<Canvas*>(context);
  ++self->calls_;
  for (int32_t row = 0; row < bitmap->height; ++row) {
    for (int32_t column = 0; column < bitmap->width; ++column) {
      const int32_t tx = x + column;
      const int32_t ty = y + row;
      if (tx < 0 || ty < 0 || tx >= self->width_ || ty >= self->height_) continue;
      const unsigned char* source = bitmap->pixels + static_cast<size_t>(row) * bitmap->stride;
      unsigned char colour[3];
      if (bitmap->bitsPerPixel == 24) {
        for (int c = 0; c < 3; ++c) colour[c] = source[column * 3 + c];
      } else {
        const unsigned char index = source[column];
        for (int c = 0; c < 3; ++c)
          colour[c] = bitmap->palette != nullptr ? bitmap->palette[index * 4 + c] : index;
      }
      unsigned char* target =
          self->bytes_.data() + (static_cast<size_t>(ty) * self->width_ + tx) * 3;
      for (int c = 0; c < 3; ++c) {
        switch (rasterOp) {
          case ZAN_ROP_SRCAND:
            target[c] &= colour[c];
            break;
          case ZAN_ROP_SRCPAINT:
            target[c] |= colour[c];
            break;
          case ZAN_ROP_SRCINVERT:
            target[c] ^= colour[c];
            break;
          default:
            target[c] = colour[c];
        }
      }
    }
  }
  return 0;
}

}  // namespace tessaly::engine::test
