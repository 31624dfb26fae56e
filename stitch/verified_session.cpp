#include "verified_session.h"

#include <algorithm>
#include <memory>
#include <new>

#include "blend_placement.h"
#include "levels.h"

namespace tessaly::stitch::verified {

namespace {

// Grey = (blue + green + red) / 3, the grey the refinement's corner detector uses too.
GreyImage greyOf(const tagPixelArray& image) {
  GreyImage grey;
  grey.width = image.width;
  grey.height = image.height;
  grey.pixels.resize(static_cast<size_t>(image.width) * image.height);
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* row = tessaly::stitch::rowOf(image, y);
    uint8_t* out = grey.pixels.data() + static_cast<size_t>(y) * image.width;
    for (int32_t x = 0; x < image.width; ++x) {
      out[x] = static_cast<uint8_t>((row[3 * x] + row[3 * x + 1] + row[3 * x + 2]) / 3);
    }
  }
  return grey;
}

}  // namespace

int32_t baseStyle(int32_t style) {
  return (style & QX_STYLE_VERIFIED) != 0 ? (style & 0xFF) : style;
}

bool attach(Session& session, int32_t style) noexcept {
  if ((style & QX_STYLE_VERIFIED) == 0) return true;
  try {
    session.verified = std::make_shared<SessionState>();
  } catch (...) {
    return false;
  }
  return true;
}

void prepareLoad(Session& s, const POINT* sizes, long count) {
  SessionState& state = *s.verified;
  int32_t longest = 0;
  for (long i = 0; i < count; ++i) longest = std::max({longest, sizes[i].x, sizes[i].y});
  int32_t level = 0;
  while ((longest >> level) > kWorkingSide) ++level;
  state.workingLevel = std::min(level, s.coarsest);
  state.pieces.assign(count, PieceLevels{});
  state.fullSizes.assign(count, PieceSize{});
  state.hypotheses.clear();
  state.candidates.clear();
  state.globals.clear();
}

std::vector<tessaly::stitch::ImagePtr> loadLevels(Session& s, int index,
                                                  tessaly::stitch::LoadedImage& loaded, double a,
                                                  double b) {
  SessionState& state = *s.verified;
  const int32_t w = state.workingLevel;
  PieceLevels& piece = state.pieces[index];
  piece.workingLevel = w;
  state.fullSizes[index] = {loaded->width, loaded->height};
  if (w == 0) piece.working = greyOf(*loaded);
  if (w == 1) piece.finer = greyOf(*loaded);
  // Every level is kept while the grey images are taken, then only the coarsest stays, as the
  // classic load leaves it.
  std::vector<tessaly::stitch::ImagePtr> levels = tessaly::stitch::buildLevels(
      loaded, s.coarsest,
      w >= 1 ? tessaly::stitch::KeepLevels::AllButFull : tessaly::stitch::KeepLevels::CoarsestOnly,
      s.progress, a, b);
  if (w >= 1) piece.working = greyOf(*levels[w]);
  if (w >= 2) piece.finer = greyOf(*levels[w - 1]);
  for (int32_t k = 1; k < s.coarsest; ++k) levels[k].reset();
  return levels;
}

void noteArrangement(Session& s, std::vector<int32_t> cellPiece, std::vector<int32_t> cellTurns) {
  SessionState& state = *s.verified;
  state.cellPiece = std::move(cellPiece);
  state.cellTurns = std::move(cellTurns);
  state.globals.clear();
}

std::vector<tessaly::stitch::Transform> fittedGlobals(const Session& s) {
  if (!s.verified || s.verified->globals.size() != static_cast<size_t>(s.count)) return {};
  std::vector<tessaly::stitch::Transform> globals;
  for (const tessaly::stitch::Transform& t : s.verified->globals)
    globals.push_back(tessaly::stitch::snapToUnrotated(t));
  return globals;
}

}  // namespace tessaly::stitch::verified
