#include "font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <stdexcept>
#include <vector>

namespace tessaly::cli {
namespace {

// One FreeType library for the whole program; FreeType frees it at exit with the faces gone.
FT_Library library() {
  static FT_Library shared = [] {
    FT_Library made = nullptr;
    if (FT_Init_FreeType(&made) != 0) throw std::runtime_error("FreeType cannot start");
    return made;
  }();
  return shared;
}

// The code points of UTF-8 text; a malformed byte stands for itself, so nothing is lost.
std::vector<uint32_t> codePoints(const std::string& text) {
  std::vector<uint32_t> points;
  for (size_t i = 0; i < text.size();) {
    const auto lead = uint8_t(text[i]);
    int extra = lead >= 0xf0 ? 3 : lead >= 0xe0 ? 2 : lead >= 0xc0 ? 1 : 0;
    if (extra > 0 && i + size_t(extra) >= text.size()) extra = 0;
    uint32_t point = extra == 0 ? lead : lead & (0x3fu >> extra);
    for (int k = 1; k <= extra; ++k) point = (point << 6) | (uint8_t(text[i + size_t(k)]) & 0x3fu);
    points.push_back(point);
    i += size_t(extra) + 1;
  }
  return points;
}

int32_t roundedPixels(FT_Pos units26_6) {
  return int32_t((units26_6 + 32) >> 6);
}

}  // namespace

struct Font::Face {
  FT_Face face = nullptr;
  ~Face() {
    if (face != nullptr) FT_Done_Face(face);
  }
};

Font::Font(const std::string& path, double points, int32_t dpi) : face_(std::make_unique<Face>()) {
  if (FT_New_Face(library(), path.c_str(), 0, &face_->face) != 0)
    throw std::runtime_error("cannot open the font " + path);
  const auto size = FT_F26Dot6(std::lround(points * 64));
  if (FT_Set_Char_Size(face_->face, 0, size, FT_UInt(dpi), FT_UInt(dpi)) != 0)
    throw std::runtime_error("cannot size the font " + path);
  const FT_Size_Metrics& metrics = face_->face->size->metrics;
  ascent_ = roundedPixels(metrics.ascender);
  descent_ = -roundedPixels(metrics.descender);
  lineHeight_ = roundedPixels(metrics.height);
}

Font::~Font() = default;

namespace {

// Walks the glyphs of text, kerned, loading each with `flags`; visit(slot, pen) sees each loaded
// glyph with the pen position (26.6 pixels) it starts at. Returns the pen after the last glyph.
template <typename Visit>
FT_Pos walkGlyphs(FT_Face face, const std::string& text, FT_Pos pen, FT_Int32 flags, Visit visit) {
  FT_UInt previous = 0;
  for (const uint32_t point : codePoints(text)) {
    const FT_UInt glyph = FT_Get_Char_Index(face, point);
    if (previous != 0 && FT_HAS_KERNING(face)) {
      FT_Vector kern{};
      FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &kern);
      pen += kern.x;
    }
    previous = glyph;
    if (FT_Load_Glyph(face, glyph, flags) != 0) continue;
    visit(face->glyph, pen);
    pen += face->glyph->advance.x;
  }
  return pen;
}

}  // namespace

int32_t Font::measure(const std::string& text) const {
  return roundedPixels(
      walkGlyphs(face_->face, text, 0, FT_LOAD_DEFAULT, [](FT_GlyphSlot, FT_Pos) {}));
}

void blendPixel(BgrImage& canvas, int32_t x, int32_t y, Colour ink, uint32_t coverage) {
  if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height || coverage == 0) return;
  uint8_t* p = canvas.pixel(x, y);
  const uint8_t target[3] = {ink.blue, ink.green, ink.red};
  for (int ch = 0; ch < 3; ++ch)
    p[ch] = uint8_t((p[ch] * (255 - coverage) + target[ch] * coverage + 127) / 255);
}

void Font::draw(BgrImage& canvas, int32_t x, int32_t baseline, const std::string& text,
                Colour ink) const {
  walkGlyphs(face_->face, text, FT_Pos(x) * 64, FT_LOAD_RENDER, [&](FT_GlyphSlot slot, FT_Pos pen) {
    const FT_Bitmap& bitmap = slot->bitmap;
    const int32_t left = roundedPixels(pen) + slot->bitmap_left;
    const int32_t top = baseline - slot->bitmap_top;
    for (uint32_t row = 0; row < bitmap.rows; ++row) {
      const uint8_t* coverage = bitmap.buffer + ptrdiff_t(row) * bitmap.pitch;
      for (uint32_t column = 0; column < bitmap.width; ++column)
        blendPixel(canvas, left + int32_t(column), top + int32_t(row), ink, coverage[column]);
    }
  });
}

}  // namespace tessaly::cli
