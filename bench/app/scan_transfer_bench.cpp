// The cost of the program's scan path over SANE's own read loop: a 300-dpi A4 colour frame of
// SANE's test backend read with sane_read alone into one buffer, against the same frame scanned
// through the source manager's window, its buffered memory transfer and the bitmap the program
// keeps (rows turned bottom up, red and blue exchanged). Runs offscreen with a private SANE
// configuration; prints the median of each and the overhead in per cent.
#include <dlfcn.h>
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
#include <memory>
#include <vector>

#include "twain_library.h"
#include "twain_session.h"

using namespace tessaly::app;

namespace {

constexpr int kRuns = 11;

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
  // Not cleared, as the program's bitmap is not: both write their frame's memory once.
  const size_t size = size_t(p.bytes_per_line) * size_t(p.lines);
  const std::unique_ptr<SANE_Byte[]> frame(new SANE_Byte[size]);
  size_t done = 0;
  SANE_Int got = 0;
  while (done < size &&
         sane_read(handle, frame.get() + done, SANE_Int(std::min<size_t>(size - done, 1 << 20)),
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

// Milliseconds for the source manager's buffered memory transfer alone, called as the program
// calls it but with the blocks written straight into one buffer in the source's row order (no
// bitmap conversion).
double managerTransferOnly(size_t& bytes) {
  void* library = dlopen("libTWAIN_32.so", RTLD_NOW | RTLD_LOCAL);
  auto entry = reinterpret_cast<DSMENTRYPROC>(dlsym(library, "DSM_Entry"));
  if (!entry) std::abort();
  TW_IDENTITY application = applicationIdentity("Bench"), source{};
  void* parent = nullptr;
  entry(&application, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent);
  entry(&application, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source);
  TW_USERINTERFACE ui{0, 0, nullptr};
  TW_EVENT event{nullptr, MSG_NULL};
  QElapsedTimer clock;
  clock.start();
  entry(&application, &source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
  entry(&application, &source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
  TW_IMAGEINFO info{};
  TW_SETUPMEMXFER setup{};
  entry(&application, &source, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
  entry(&application, &source, DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
  const size_t size = size_t(setup.MinBufSize) * size_t(info.ImageLength);
  const std::unique_ptr<uint8_t[]> frame(new uint8_t[size]);
  size_t done = 0;
  TW_UINT16 code = TWRC_SUCCESS;
  while (code == TWRC_SUCCESS) {
    TW_IMAGEMEMXFER block{};
    block.Memory =
        TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER,
                  TW_UINT32(std::min<size_t>(setup.Preferred, size - done)), frame.get() + done};
    code = entry(&application, &source, DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &block);
    done += block.BytesWritten;
  }
  const double ms = double(clock.nsecsElapsed()) / 1e6;
  bytes = done;
  TW_PENDINGXFERS pending{};
  entry(&application, &source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
  entry(&application, &source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
  entry(&application, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source);
  entry(&application, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent);
  dlclose(library);
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
  std::vector<double> alone, manager, transfer;
  size_t aloneBytes = 0, managerBytes = 0, transferBytes = 0;
  for (int run = 0; run < kRuns; ++run) {
    alone.push_back(saneAlone(aloneBytes));
    manager.push_back(managerTransferOnly(managerBytes));
    transfer.push_back(throughTransfer(transferBytes));
  }
  const double a = median(alone), m = median(manager), t = median(transfer);
  std::printf(
      "300-dpi A4 colour frame: the manager's buffered memory transfer alone %.1f ms "
      "(%zu bytes): overhead %.1f %%\n",
      m, managerBytes, (m - a) / a * 100.0);
  std::printf(
      "300-dpi A4 colour frame: sane_read alone %.1f ms (%zu bytes), through the transfer "
      "%.1f ms (%zu bytes): overhead %.1f %%\n",
      a, aloneBytes, t, transferBytes, (t - a) / a * 100.0);
  return 0;
}
