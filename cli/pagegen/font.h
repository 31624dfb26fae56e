// Text drawn with a real font: a face of a TrueType file at one size and resolution, rendered
// anti-aliased through FreeType onto a picture.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "bgr_image.h"

namespace tessaly::cli {

struct Colour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
};

// Opens a face of a font file at `points` for `dpi`. Throws std::runtime_error naming the file
// when FreeType cannot open it.
class Font {
 public:
  Font(const std::string& path, double points, int32_t dpi);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  int32_t ascent() const { return ascent_; }
  int32_t descent() const { return descent_; }  // below the baseline, positive
  int32_t lineHeight() const { return lineHeight_; }

  // Width of the text (UTF-8) in pixels, kerning included.
  int32_t measure(const std::string& text) const;
  // Draws the text with its baseline at y, starting at x. Pixels outside the picture are cut.
  void draw(BgrImage& canvas, int32_t x, int32_t baseline, const std::string& text,
            Colour ink) const;

 private:
  struct Face;
  std::unique_ptr<Face> face_;
  int32_t ascent_ = 0;
  int32_t descent_ = 0;
  int32_t lineHeight_ = 0;
};

// Blends `ink` over the pixel at (x, y) with coverage 0 ... 255; off-picture points are ignored.
void blendPixel(BgrImage& canvas, int32_t x, int32_t y, Colour ink, uint32_t coverage);

}  // namespace tessaly::cli
