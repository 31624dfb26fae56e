// Alignment tests on pieces cut from one textured page with known centres and angles: the true
// transform of every neighbour pair follows from the two placements, and the recovered one is
// read from the session after QXAutoAlign.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "picture.h"
#include "refine_rigid_fit.h"
#include "session.h"
#include "session_fixture.h"

namespace tessaly::stitch::test {

// Where a piece was cut: its centre on the page and its angle.
struct Placement {
  double centreX, centreY;
  int32_t width, height;
  double degrees = 0;
};

// The transform that maps piece b's pixels onto piece a's, from their placements on the page.
inline tessaly::stitch::Rigid truthBetween(const Placement& a, const Placement& b) {
  const double ta = a.degrees * M_PI / 180, tb = b.degrees * M_PI / 180, theta = tb - ta;
  const double ca = std::cos(-ta), sa = std::sin(-ta), c = std::cos(theta), s = std::sin(theta);
  const double dx = b.centreX - a.centreX, dy = b.centreY - a.centreY;
  const double cax = (a.width - 1) / 2.0, cay = (a.height - 1) / 2.0;
  const double cbx = (b.width - 1) / 2.0, cby = (b.height - 1) / 2.0;
  return {theta, cax + ca * dx - sa * dy - (c * cbx - s * cby),
          cay + sa * dx + ca * dy - (s * cbx + c * cby)};
}

// Largest distance between where `found` and `truth` put B's pixels, over a grid of B's pixels
// that the truth places inside A: the error that matters for joining the pair.
inline double overlapError(const tessaly::stitch::Rigid& found, const tessaly::stitch::Rigid& truth,
                           const Placement& a, const Placement& b) {
  double worst = 0;
  for (int32_t y = 0; y < b.height; y += 8) {
    for (int32_t x = 0; x < b.width; x += 8) {
      const double tx = truth.mapX(x, y), ty = truth.mapY(x, y);
      if (tx < 0 || ty < 0 || tx > a.width - 1 || ty > a.height - 1) continue;
      worst = std::max(worst, std::hypot(found.mapX(x, y) - tx, found.mapY(x, y) - ty));
    }
  }
  return worst;
}

class AlignTest : public SessionTest {
 protected:
  // Cuts the pieces of a rows x columns grid (placements row by row), loads them, applies the
  // grid with QXChangeOrder and runs QXAutoAlign; returns its status.
  long alignGrid(const Picture& page, int32_t rows, int32_t columns,
                 const std::vector<Placement>& cells, int32_t style, int32_t outputSize = 0) {
    cut(page, cells);
    const long prepared = prepare(rows, columns, style, outputSize);
    return prepared != QX_OK ? prepared : align();
  }

  // QXAutoAlign on the prepared session; what the loader saw from here on is kept apart.
  long align() {
    reportsBefore_ = loader_.reports();
    loadsBefore_ = loader_.loads();
    return QXAutoAlign(session_);
  }
  std::vector<long> alignPositions() const {
    return {loader_.positions().begin() + reportsBefore_, loader_.positions().end()};
  }
  int alignLoads() const { return loader_.loads() - loadsBefore_; }

  void cut(const Picture& page, const std::vector<Placement>& cells) {
    placements_ = cells;
    for (size_t i = 0; i < cells.size(); ++i) {
      const Placement& p = cells[i];
      names_.push_back(addPiece("cell" + std::to_string(i) + ".bmp",
                                cutPiece(page, p.centreX, p.centreY, p.width, p.height, p.degrees),
                                static_cast<long>(i)));
    }
  }

  // A new session over the cut pieces, loaded and arranged, ready for QXAutoAlign.
  long prepare(int32_t rows, int32_t columns, int32_t style, int32_t outputSize = 0) {
    QXReleaseStitch(session_);
    columns_ = columns;
    open(style, outputSize);
    const long loaded = load();
    if (loaded != QX_OK) return loaded;
    Arrangement grid(rows, columns, names_, std::vector<int32_t>(names_.size(), 0));
    return QXChangeOrder(session_, &grid.info);
  }

  tessaly::stitch::Session& session() { return *static_cast<tessaly::stitch::Session*>(session_); }

  // The recovered pair transform from cell a to its right (or lower) neighbour, in pixels of the
  // output level scaled back to full resolution.
  tessaly::stitch::Rigid found(int32_t cell, bool right) {
    const tessaly::stitch::PieceRecord& piece = session().pieces[cell];
    tessaly::stitch::Rigid r =
        tessaly::stitch::Rigid::of(right ? piece.right.transform : piece.below.transform);
    const double scale = 1 << session().outputLevel;
    r.tx *= scale;
    r.ty *= scale;
    return r;
  }

  // Checks the pair of `cell` and its right (or lower) neighbour against the truth.
  void expectPairWithin(int32_t cell, bool right, double pixels, double degrees) {
    const Placement& a = placements_[cell];
    const Placement& b = placements_[cell + (right ? 1 : columns_)];
    const tessaly::stitch::Rigid truth = truthBetween(a, b), got = found(cell, right);
    const double error = overlapError(got, truth, a, b);
    const double angleError = std::fabs(got.theta - truth.theta) * 180 / M_PI;
    EXPECT_LE(error, pixels) << "cell " << cell << (right ? " right" : " below") << " found ("
                             << got.tx << ", " << got.ty << ", " << got.theta * 180 / M_PI
                             << " deg), truth (" << truth.tx << ", " << truth.ty << ", "
                             << truth.theta * 180 / M_PI << " deg)";
    EXPECT_LE(angleError, degrees) << "cell " << cell << (right ? " right" : " below");
  }

  std::vector<Placement> placements_;
  std::vector<std::string> names_;  // cell order
  int32_t columns_ = 1;
  long reportsBefore_ = 0;
  int loadsBefore_ = 0;
};

}  // namespace tessaly::stitch::test
