// One stitch through the program's engine client, as the Stitch command runs it: the pieces
// loaded, ordered, aligned and blended by the engine and the result copied into the host picture
// the Result page shows. Prints the time and the process's peak memory beside the command line's
// budget (result + 3 pieces + 64 MiB) plus that picture. Run it once per process (the peak is the
// process's own), e.g. on the four A4 pieces that bench/peer/run makes:
//
//   app_stitch_bench [--classic] PIECE...
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImageReader>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "stitch_run.h"
#include "tessaly/host/operations.h"

namespace {

using namespace tessaly::app;
using namespace tessaly::host;

constexpr double kMiB = 1024.0 * 1024.0;

double peakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) * 1024.0 / kMiB;  // ru_maxrss is in KiB
}

bool readEntries(int argc, char** argv, int first, std::vector<StitchEntry>& entries,
                 double& largestPieces) {
  std::vector<double> sizes;
  for (int i = first; i < argc; ++i) {
    const QSize size = QImageReader(QString::fromLocal8Bit(argv[i])).size();
    if (!size.isValid()) {
      std::fprintf(stderr, "cannot read the size of %s\n", argv[i]);
      return false;
    }
    entries.push_back({argv[i], size.width(), size.height(), 0});
    sizes.push_back(3.0 * size.width() * size.height());
  }
  std::sort(sizes.rbegin(), sizes.rend());
  for (size_t i = 0; i < sizes.size() && i < 3; ++i) largestPieces += sizes[i];
  return !entries.empty();
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const bool classic = argc > 1 && std::strcmp(argv[1], "--classic") == 0;
  std::vector<StitchEntry> entries;
  double largestPieces = 0;
  if (!readEntries(argc, argv, classic ? 2 : 1, entries, largestPieces)) {
    std::fprintf(stderr, "usage: app_stitch_bench [--classic] PIECE...\n");
    return 2;
  }

  StitchRun run;
  run.showMessage = [](int text) { std::fprintf(stderr, "message %d\n", text); };
  run.reportProgress = [](int) { return false; };
  QElapsedTimer clock;
  clock.start();
  if (!run.prepareAndOrder(entries, engineStyle(1, classic ? "classic" : "verified"), 0)) return 1;
  ZanObject* picture = run.compose();
  const double seconds = double(clock.nsecsElapsed()) / 1e9;
  if (picture == nullptr) return 1;
  int32_t width = 0, height = 0;
  Zan0Inter(picture, op::kPictureSize, reinterpret_cast<intptr_t>(&width),
            reinterpret_cast<intptr_t>(&height));
  Zan0Release(picture);

  const double result = 3.0 * width * height;
  const double budget = (result + largestPieces) / kMiB + 64;
  const double shown = result / kMiB;  // the host picture holds the result once more
  std::printf(
      "%s: %d x %d in %.2f s, peak %.1f MiB; budget %.1f MiB + picture %.1f = %.1f (%.2f)\n",
      classic ? "classic" : "verified", width, height, seconds, peakMiB(), budget, shown,
      budget + shown, peakMiB() / (budget + shown));
  return 0;
}
