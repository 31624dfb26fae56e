#include "checks.h"

#include <cmath>
#include <string>
#include <utility>

namespace tessaly::cli::stitch {

namespace {

constexpr int32_t kMinDpi = 50;
constexpr int64_t kMinArea = 1500;

// One property of a piece and how it is named in a message.
struct Measure {
  const char* what;  // "widths"
  const char* unit;  // "px"
  int32_t Piece::*field;
};

constexpr Measure kMeasures[] = {
    {"widths", "px", &Piece::width},
    {"heights", "px", &Piece::height},
    {"horizontal resolutions", "dpi", &Piece::xDpi},
    {"vertical resolutions", "dpi", &Piece::yDpi},
};

const Piece& smallestBy(const std::vector<Piece>& pieces, int32_t Piece::*field) {
  const Piece* best = &pieces.front();
  for (const Piece& p : pieces) {
    if (p.*field < best->*field) best = &p;
  }
  return *best;
}

const Piece& largestBy(const std::vector<Piece>& pieces, int32_t Piece::*field) {
  const Piece* best = &pieces.front();
  for (const Piece& p : pieces) {
    if (p.*field > best->*field) best = &p;
  }
  return *best;
}

std::string describe(const Piece& p, const Measure& m) {
  return "'" + p.path + "' " + std::to_string(p.*m.field) + " " + m.unit;
}

std::optional<Failure> checkResolution(const std::vector<Piece>& pieces) {
  for (const Measure& m : {kMeasures[2], kMeasures[3]}) {
    const Piece& low = smallestBy(pieces, m.field);
    if (low.*m.field < kMinDpi) {
      return Failure(ExitCode::UnsuitablePieces,
                     "piece '" + low.path + "' has " + std::to_string(low.*m.field) +
                         " dpi; pieces need at least 50 dpi, scan it at a higher resolution");
    }
  }
  return std::nullopt;
}

std::optional<Failure> checkArea(const std::vector<Piece>& pieces) {
  const Piece& narrowest = smallestBy(pieces, &Piece::width);
  const Piece& lowest = smallestBy(pieces, &Piece::height);
  const int64_t area = int64_t{narrowest.width} * lowest.height;
  if (area >= kMinArea) return std::nullopt;
  const std::string names = &narrowest == &lowest
                                ? "piece '" + narrowest.path + "'"
                                : "pieces '" + narrowest.path + "' and '" + lowest.path + "'";
  return Failure(ExitCode::UnsuitablePieces,
                 "the smallest width times the smallest height is " + std::to_string(area) +
                     " pixels (" + names + "), under the 1500 a stitch needs; use larger pieces");
}

// The same pieces with width the shorter and height the longer side.
std::vector<Piece> upright(std::vector<Piece> pieces) {
  for (Piece& p : pieces) {
    if (p.width > p.height) std::swap(p.width, p.height);
  }
  return pieces;
}

constexpr Measure kUprightMeasures[] = {
    {"shorter sides", "px", &Piece::width},
    {"longer sides", "px", &Piece::height},
    kMeasures[2],
    kMeasures[3],
};

std::optional<Failure> checkSpread(const std::vector<Piece>& pieces, int maxPercent,
                                   const Measure (&measures)[4]) {
  const double limit = maxPercent / 100.0;
  for (const Measure& m : measures) {
    const Piece& low = smallestBy(pieces, m.field);
    const Piece& high = largestBy(pieces, m.field);
    if (high.*m.field <= 0) continue;
    // Equal to the limit passes.
    const double spread = double(high.*m.field - low.*m.field) / double(high.*m.field);
    if (spread <= limit) continue;
    return Failure(ExitCode::UnsuitablePieces,
                   std::string("the pieces' ") + m.what + " differ by " +
                       std::to_string(int(std::lround(spread * 100))) + " % (" + describe(high, m) +
                       ", " + describe(low, m) + "), more than the " + std::to_string(maxPercent) +
                       " % allowed; scan every piece alike or raise --max-size-diff");
  }
  return std::nullopt;
}

}  // namespace

std::optional<Failure> checkPieces(const std::vector<Piece>& pieces, const CheckLimits& limits) {
  if (pieces.empty()) return Failure(ExitCode::Usage, "no pieces given");
  if (pieces.size() > size_t(kMaxPiecesWithoutAsking) && !limits.allowManyPieces) {
    return Failure(ExitCode::Usage,
                   std::to_string(pieces.size()) + " pieces are more than the " +
                       std::to_string(kMaxPiecesWithoutAsking) +
                       " a stitch takes without asking; add --allow-many to stitch them anyway");
  }
  if (auto failure = checkResolution(pieces)) return failure;
  if (auto failure = checkArea(pieces)) return failure;
  if (limits.orientationFree)
    return checkSpread(upright(pieces), limits.maxSizeDiffPercent, kUprightMeasures);
  return checkSpread(pieces, limits.maxSizeDiffPercent, kMeasures);
}

tagStitchStyle chooseStyle(size_t pieceCount, StyleChoice choice) {
  if (choice == StyleChoice::Row) return QX_STYLE_ROW;
  if (choice == StyleChoice::Grid) return QX_STYLE_GRID;
  return pieceCount < 4 || pieceCount % 2 != 0 ? QX_STYLE_ROW : QX_STYLE_GRID;
}

}  // namespace tessaly::cli::stitch
