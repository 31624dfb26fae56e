// The cost of the program's scan path over SANE's own read loop: a 300-dpi A4 colour frame of
// SANE's test backend read with sane_read alone into one buffer, against the same frame scanned
// through the source manager's window, its buffered memory transfer and the bitmap the program
// keeps (rows turned bottom up, red and blue exchanged). Runs offscreen with a private SANE
// configuration; prints the median of each and the overhead in per cent.
#include <sane/sane.h>
#include <sane/saneopts.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "twain_library.h"
#include "twain_session.h"

using namespace tessaly::app;

namespace {

constexpr int kRuns = 5;

void writeConfiguration(const QTemporaryDir& folder) {
  std::ofstream(folder.filePath("dll.conf").toStdString()) << "test\n";
  std::ofstream(folder.filePath("test.conf").toStdString())
      << "number_of_devices 1\nmode Color\ndepth 8\nresolution 300.0\n"
         "test-picture \"Color pattern\"\ngeometry_max 300.0\ntl_x 0.0\ntl_y 0.0\n"
         "br_x 210.0\nbr_y 297.0\n";
  setenv("SANE_CONFIG_DIR", folder.path().toLocal8Bit().constData(), 1);
}

// Milliseconds for one frame read whole by sane_read.
double saneAlone(size_t& bytes) {
  SANE_Int version = 0;
  sane_init(&version, nullptr);
  SANE_Handle handle = nullptr;
  if (sane_open("test:0", &handle) != SANE_STATUS_GOOD) std::abort();
  QElapsedTimer clock;
  clock.start();
  if (sane_start(handle) != SANE_STATUS_GOOD) std::abort();
  SANE_Parameters p{};
  sane_get_parameters(handle, &p);
  std::vector<SANE_Byte> frame(size_t(p.bytes_per_line) * size_t(p.lines));
  size_t done = 0;
  SANE_Int got = 0;
  while (done < frame.size() && sane_read(handle, frame.data() + done,
                                          SANE_Int(std::min<size_t>(frame.size() - done, 1 << 20)),
                                          &got) == SANE_STATUS_GOOD)
    done += size_t(got);
  const double ms = double(clock.nsecsElapsed()) / 1e6;
  bytes = done;
  sane_cancel(handle);
  sane_close(handle);
  sane_exit();
  return ms;
}

// Milliseconds from the scan button to the program's bitmap, through the source manager.
double throughTransfer(size_t& bytes) {
  QWidget parent;
  TwainSession session(sharedManagerLibrary(), "Bench");
  session.setParent(&parent);
  std::unique_ptr<ScannedImage> image;
  session.imageArrived = [&](std::unique_ptr<ScannedImage> arrived) { image = std::move(arrived); };
  if (session.acquire("test:0") != TwainSession::kStarted) std::abort();
  auto* scan = parent.findChild<QPushButton*>("butn_scan");
  if (!scan) std::abort();
  QElapsedTimer clock;
  clock.start();
  scan->click();
  while (!session.filterEvent()) QApplication::processEvents();
  const double ms = double(clock.nsecsElapsed()) / 1e6;
  if (!image) std::abort();
  bytes = image->bits.size();
  session.closeAll();
  return ms;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QTemporaryDir folder;
  writeConfiguration(folder);
  std::vector<double> alone, transfer;
  size_t aloneBytes = 0, transferBytes = 0;
  for (int run = 0; run < kRuns; ++run) {
    alone.push_back(saneAlone(aloneBytes));
    transfer.push_back(throughTransfer(transferBytes));
  }
  const double a = median(alone), t = median(transfer);
  std::printf(
      "300-dpi A4 colour frame: sane_read alone %.1f ms (%zu bytes), through the transfer "
      "%.1f ms (%zu bytes): overhead %.1f %%\n",
      a, aloneBytes, t, transferBytes, (t - a) / a * 100.0);
  return 0;
}
