// Scenes for ordering tests: a textured page cut into an overlapping grid of pieces, some turned
// in their files, registered in a chosen load order; and the check that an arrangement puts
// every piece back in its place.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "QuiltexEngine.h"
#include "session.h"
#include "session_fixture.h"

namespace tessaly::stitch::test {

// A cell of the true layout: the file that belongs there and the turn that sets it upright.
struct TrueCell {
  std::string name;
  int32_t turn;
};

// The true layout turned as a whole by one elementary quarter turn: cells move like the pixels
// of a turned image and every piece takes one more turn.
inline std::vector<TrueCell> turnLayout(const std::vector<TrueCell>& cells, int32_t& rows,
                                        int32_t& columns) {
  std::vector<TrueCell> turned(cells.size());
  const int32_t newRows = columns, newColumns = rows;
  for (int32_t r = 0; r < newRows; ++r) {
    for (int32_t c = 0; c < newColumns; ++c) {
      TrueCell cell = cells[static_cast<size_t>(c) * columns + (columns - 1 - r)];
      cell.turn = (cell.turn + 1) % 4;
      turned[static_cast<size_t>(r) * newColumns + c] = cell;
    }
  }
  rows = newRows;
  columns = newColumns;
  return turned;
}

class OrderingSceneTest : public SessionTest {
 protected:
  // Cuts rows x columns pieces of width x height from one page, neighbours overlapping by about
  // `overlap` of a piece with a few pixels of jitter, turns piece (r, c) in its file by
  // fileTurns[r * columns + c] and registers the cells in the order loadOrder lists them.
  void makeScene(int32_t rows, int32_t columns, int32_t width, int32_t height, double overlap,
                 const std::vector<int>& fileTurns, const std::vector<int>& loadOrder,
                 uint32_t seed) {
    rows_ = rows;
    columns_ = columns;
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> jitter(-6, 6);
    const double stepX = width * (1 - overlap), stepY = height * (1 - overlap);
    const int32_t margin = 20;
    const Picture page =
        makeTexturedPage(static_cast<int32_t>(width + stepX * (columns - 1)) + 2 * margin,
                         static_cast<int32_t>(height + stepY * (rows - 1)) + 2 * margin, seed);
    std::vector<Picture> cut;
    for (int32_t r = 0; r < rows; ++r) {
      for (int32_t c = 0; c < columns; ++c) {
        const double cx = margin + width / 2.0 + stepX * c + jitter(rng);
        const double cy = margin + height / 2.0 + stepY * r + jitter(rng);
        cut.push_back(turnByElementarySteps(cutPiece(page, cx, cy, width, height),
                                            fileTurns[r * columns + c]));
      }
    }
    truth_.assign(cut.size(), {});
    for (size_t k = 0; k < loadOrder.size(); ++k) {
      const int cell = loadOrder[k];
      const std::string name =
          addPiece("piece" + std::to_string(cell) + ".bmp", cut[cell], static_cast<long>(k));
      truth_[cell] = {name, (4 - fileTurns[cell]) % 4};
    }
  }

  // Loads the scene into a session of `style` and orders it.
  long order(int32_t style) {
    open(style);
    EXPECT_EQ(load(), QX_OK);
    candidates_ = std::make_unique<CandidateRecords>(pieces_.count());
    return QXAutoOrder(session_, &candidateCount_, candidates_->records);
  }

  // The global turn (0 to 3) by which the session's arrangement equals the true layout, or -1
  // when it does not equal it in any.
  int matchingGlobalTurn() const {
    const tessaly::stitch::Session& s = *static_cast<const tessaly::stitch::Session*>(session_);
    std::vector<TrueCell> layout = truth_;
    int32_t rows = rows_, columns = columns_;
    for (int j = 0; j < 4; ++j) {
      if (rows == s.rows && columns == s.columns) {
        bool same = true;
        for (size_t cell = 0; cell < layout.size(); ++cell) {
          same = same && layout[cell].name == s.workingNames[cell] &&
                 layout[cell].turn == s.pieces[cell].quarterTurns;
        }
        if (same) return j;
      }
      layout = turnLayout(layout, rows, columns);
    }
    return -1;
  }

  // A readable account of the session's arrangement for failure messages.
  std::string arrangementText() const {
    const tessaly::stitch::Session& s = *static_cast<const tessaly::stitch::Session*>(session_);
    std::string text = std::to_string(s.rows) + "x" + std::to_string(s.columns) + ":";
    for (int32_t cell = 0; cell < s.count; ++cell) {
      const std::string& name = s.workingNames[cell];
      text += " " + name.substr(name.rfind('/') + 1) + "@" +
              std::to_string(s.pieces[cell].quarterTurns);
    }
    return text;
  }

  int32_t rows_ = 0, columns_ = 0;
  std::vector<TrueCell> truth_;  // per true cell
  long candidateCount_ = -1;
  std::unique_ptr<CandidateRecords> candidates_;
};

}  // namespace tessaly::stitch::test
