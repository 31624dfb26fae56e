// Tessaly: the desktop program. Files named on the command line go to the running program when
// there is one, else this one opens them.
#include <QApplication>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <filesystem>

#include "command_line.h"
#include "main_frame.h"
#include "program.h"
#include "single_instance.h"

namespace {

using tessaly::app::Program;

// For demonstrations and measurements without a display: TESSALY_SNAPSHOT=<file> saves the
// painted main window to the file and ends the program; TESSALY_QUIT_AFTER_PAINT=1 only ends it.
void endAfterFirstPaint(QWidget* window) {
  const QString snapshot = qEnvironmentVariable("TESSALY_SNAPSHOT");
  if (snapshot.isEmpty() && qEnvironmentVariableIntValue("TESSALY_QUIT_AFTER_PAINT") == 0) return;
  // A zero timer runs once the events queued with the window's first show are done.
  QTimer::singleShot(0, window, [window, snapshot] {
    // Pieces handed over at start are listed by now; their cells are laid out by the events
    // that listing queued.
    QCoreApplication::processEvents();
    window->repaint();
    int status = 0;
    if (!snapshot.isEmpty() && !window->grab().save(snapshot)) {
      std::fprintf(stderr, "Tessaly: cannot write %s\n", qPrintable(snapshot));
      status = 1;
    }
    QCoreApplication::exit(status);
  });
}

int reportFailure(const QString& error) {
  std::fprintf(stderr, "Tessaly: %s\n", qPrintable(error));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  std::error_code error;
  const auto files =
      tessaly::app::resolveCommandLineFiles(arguments, std::filesystem::current_path(error));

  std::unique_ptr<tessaly::app::InstanceLock> lock;
  QString why;
  Program::Start claimed;
  {
    // A later start needs no window system: a core application serves the socket.
    QCoreApplication core(argc, argv);
    claimed = Program::claim(files, lock, &why);
  }
  if (claimed == Program::Start::HandedOver) return 0;
  if (claimed == Program::Start::Failed) return reportFailure(why);

  QApplication application(argc, argv);
  Program program(std::move(lock));
  if (program.start() != Program::Start::Running) return reportFailure(program.error());
  endAfterFirstPaint(program.mainFrame()->window());
  return application.exec();
}
