#include <QApplication>
#include <cstdlib>
#include <fstream>

#include "temp_folder.h"
#include "window_tests.h"

int main(int argc, char** argv) {
  // SANE reads its configuration folder's name once per process: a private one, without a
  // scanner until a scan test names the test backend in it (the system's own is never read).
  const tessaly::test::TempFolder sane("tessaly-sane-");
  std::ofstream(sane.file("dll.conf")).close();
  setenv("SANE_CONFIG_DIR", sane.path().c_str(), 1);
  QApplication application(argc, argv);
  const int windowFailures = app_test::runMainWindowTests(argc, argv);
  const int dialogFailures = app_test::runDialogTests(argc, argv);
  const int workflowFailures = app_test::runWorkflowTests(argc, argv);
  const int resultFailures = app_test::runResultPageTests(argc, argv);
  const int scanFailures = app_test::runScanWindowTests(argc, argv);
  const int scanStitchFailures = app_test::runScanStitchTests(argc, argv);
  return windowFailures + dialogFailures + workflowFailures + resultFailures + scanFailures +
         scanStitchFailures;
}
