#include <QApplication>

#include "window_tests.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const int windowFailures = app_test::runMainWindowTests(argc, argv);
  const int dialogFailures = app_test::runDialogTests(argc, argv);
  const int workflowFailures = app_test::runWorkflowTests(argc, argv);
  const int resultFailures = app_test::runResultPageTests(argc, argv);
  return windowFailures + dialogFailures + workflowFailures + resultFailures;
}
