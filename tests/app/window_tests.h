// The Qt Test suites of the program's window and dialogs, run one after another by one main.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

namespace app_test {

int runMainWindowTests(int argc, char** argv);
int runDialogTests(int argc, char** argv);
int runWorkflowTests(int argc, char** argv);
int runResultPageTests(int argc, char** argv);
int runScanWindowTests(int argc, char** argv);
int runScanStitchTests(int argc, char** argv);

// Runs `act` on the modal dialog as soon as one is up (for code that runs a dialog modally).
inline void whenModal(std::function<void(QDialog*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(dialog);
  });
  timer->start();
}

}  // namespace app_test
