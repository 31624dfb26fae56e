// Automatic ordering on the miniatures that A4 pages at 300 dpi (2480 x 3508) give: four pieces
// in a 2 x 2 grid and ten pieces in a row, each with and without abandoning an offset once its
// running score reaches the best so far (argument 1 and 0).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "levels.h"
#include "ordering_driver.h"
#include "picture.h"

namespace {

constexpr int32_t kPageWidth = 2480;
constexpr int32_t kPageHeight = 3508;

void ignoreProgress(long, bool*, void*) {}

// The coarsest level the level rule gives for a set of full pages in `style`.
int coarsestLevel(int32_t style) {
  const std::vector<POINT> sizes(4, POINT{kPageWidth, kPageHeight});
  return tessaly::stitch::levelCount(sizes.data(), static_cast<long>(sizes.size()),
                                     tessaly::stitch::policyFor(style)) -
         1;
}

// The size of a full page halved down to that level.
POINT miniatureSize(int coarsest) {
  POINT size{kPageWidth, kPageHeight};
  for (int k = 0; k < coarsest; ++k) size = {size.x / 2, size.y / 2};
  return size;
}

// A loaded session whose miniatures are cut from one page as rows x columns overlapping pieces
// (cut at twice the size and halved, so they carry the softness of real miniatures), in a
// shuffled load order.
class OrderingScene {
 public:
  OrderingScene(int32_t style, int32_t rows, int32_t columns)
      : session_(style, 0, tessaly::stitch::Callbacks{nullptr, ignoreProgress, nullptr, nullptr}) {
    const int coarsest = coarsestLevel(style);
    const POINT mini = miniatureSize(coarsest);
    const int32_t w = mini.x * 2, h = mini.y * 2;
    const double stepX = w * 0.7, stepY = h * 0.7;
    const tessaly::stitch::test::Picture page = tessaly::stitch::test::makeTexturedPage(
        static_cast<int32_t>(w + stepX * (columns - 1)) + 20,
        static_cast<int32_t>(h + stepY * (rows - 1)) + 20, 7);
    const int32_t count = rows * columns;
    std::vector<int> order(count);
    for (int i = 0; i < count; ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(3));

    session_.count = count;
    session_.coarsest = coarsest;  // the miniature is the only level held
    session_.pieces.resize(count);
    for (int i = 0; i < count; ++i) {
      const int cell = order[i];
      tessaly::stitch::test::Picture piece =
          tessaly::stitch::test::cutPiece(page, 10 + w / 2.0 + stepX * (cell % columns),
                                          10 + h / 2.0 + stepY * (cell / columns), w, h);
      const tagPixelArray view = piece.view();
      session_.loadedMiniatures.push_back(tessaly::stitch::halve(view, {}));
      session_.loadedNames.push_back("piece" + std::to_string(cell));
      session_.pieces[i].levels.resize(coarsest + 1);
      session_.pieces[i].levels[coarsest] =
          tessaly::stitch::copyImage(*session_.loadedMiniatures.back());
    }
    session_.workingNames = session_.loadedNames;
    session_.columns = count;
    session_.rows = 1;
    session_.stage = tessaly::stitch::Stage::Loaded;

    buffers_.assign(5 * count, std::vector<char>(QX_NAME_BUFFER, '\0'));
    names_.resize(5);
    turns_.assign(5, std::vector<int32_t>(count, 0));
    for (int k = 0; k < 5; ++k) {
      for (int j = 0; j < count; ++j) names_[k].push_back(buffers_[k * count + j].data());
      records_[k] = {0, 0, names_[k].data(), turns_[k].data()};
    }
  }

  long order(bool pruning) {
    long count = 0;
    return tessaly::stitch::orderPieces(session_, &count, records_,
                                        tessaly::stitch::OrderingOptions{pruning});
  }
  int32_t miniatureWidth() const { return session_.loadedMiniatures[0]->width; }
  int32_t miniatureHeight() const { return session_.loadedMiniatures[0]->height; }

 private:
  tessaly::stitch::Session session_;
  std::vector<std::vector<char>> buffers_;
  std::vector<std::vector<char*>> names_;
  std::vector<std::vector<int32_t>> turns_;
  tagStitchOrderInfo records_[5]{};
};

void run(benchmark::State& state, OrderingScene& scene) {
  const bool pruning = state.range(0) != 0;
  long status = 0;
  for (auto _ : state) status = scene.order(pruning);
  state.counters["status"] = static_cast<double>(status);
  state.counters["mini_w"] = scene.miniatureWidth();
  state.counters["mini_h"] = scene.miniatureHeight();
}

void BM_OrderFourPiecesGrid(benchmark::State& state) {
  static OrderingScene scene(QX_STYLE_GRID, 2, 2);
  run(state, scene);
}

void BM_OrderTenPiecesRow(benchmark::State& state) {
  static OrderingScene scene(QX_STYLE_ROW, 1, 10);
  run(state, scene);
}

BENCHMARK(BM_OrderFourPiecesGrid)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrderTenPiecesRow)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
