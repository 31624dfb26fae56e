#include "bgr_convert.h"

#include <cstring>

namespace tessaly::fileio {

bool chooseConversion(const ImageInfo& image, const LayerInfo& layer, BgrConversion& out) {
  using Kind = BgrConversion::Kind;
  const int32_t bits = image.bits;
  switch (image.colorModel) {
    case PLUG_COLOR_BGR:
      if (bits != 24 && bits != 32 && bits != 48) return false;
      out.kind = bits == 24 ? Kind::Copy : (bits == 32 ? Kind::DropFourth : Kind::HighBytes48);
      out.bytesPerPixel = bits / 8;
      return true;
    case PLUG_COLOR_GREY:
      if (bits == 16) {
        out.kind = Kind::Grey16;
        out.bytesPerPixel = 2;
      } else if (bits == 8) {
        const bool alpha = image.channels == 2;
        out.kind = alpha ? Kind::GreyAlpha : Kind::Grey;
        out.bytesPerPixel = alpha ? 2 : 1;
      } else {
        return false;
      }
      return true;
    case PLUG_COLOR_INDEXED:
      if (bits != 8) return false;
      out.kind = Kind::Palette;
      out.bytesPerPixel = 1;
      std::memcpy(out.palette, layer.hasPalette ? layer.palette : image.palette,
                  sizeof out.palette);
      return true;
    case PLUG_COLOR_RGB_PLANES:
      if ((bits != 8 && bits != 16) || image.channels < 3 || image.channels > 4) return false;
      out.kind = bits == 8 ? Kind::Planes8 : Kind::Planes16;
      out.planes = image.channels;
      out.bytesPerPixel = bits / 8;
      return true;
    default:
      return false;
  }
}

void convertRow(const BgrConversion& c, const uint8_t* const* row, uint8_t* out, int32_t width) {
  using Kind = BgrConversion::Kind;
  const uint8_t* in = row[0];
  switch (c.kind) {
    case Kind::Copy:
      std::memcpy(out, in, size_t(width) * 3);
      return;
    case Kind::DropFourth:
      for (int32_t x = 0; x < width; ++x) std::memcpy(out + 3 * x, in + 4 * x, 3);
      return;
    case Kind::HighBytes48:  // little-endian samples: the high byte comes second
      for (int32_t i = 0; i < width * 3; ++i) out[i] = in[2 * i + 1];
      return;
    case Kind::Grey:
    case Kind::GreyAlpha:
    case Kind::Grey16: {
      const int step = c.bytesPerPixel, high = c.kind == Kind::Grey16 ? 1 : 0;
      for (int32_t x = 0; x < width; ++x) std::memset(out + 3 * x, in[step * x + high], 3);
      return;
    }
    case Kind::Palette:
      for (int32_t x = 0; x < width; ++x) std::memcpy(out + 3 * x, &c.palette[in[x]], 3);
      return;
    case Kind::Planes8:
    case Kind::Planes16: {  // planes red, green, blue
      const int step = c.bytesPerPixel, high = step - 1;
      for (int32_t x = 0; x < width; ++x)
        for (int p = 0; p < 3; ++p) out[3 * x + 2 - p] = row[p][step * x + high];
      return;
    }
  }
}

}  // namespace tessaly::fileio
