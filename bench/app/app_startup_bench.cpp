// Times the program's start as a user meets it, on an X server (a private virtual one when
// there is no display): launch to painted main window (file caches warm after the first
// round), and a later start handing two files to the running program until it has ended.
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "program.h"
#include "single_instance.h"

namespace {

constexpr int kRounds = 15;

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Runs the program to its end; its wall time in milliseconds, or -1 when it failed.
double timeProgram(const QProcessEnvironment& environment, const QStringList& arguments) {
  QProcess program;
  program.setProcessEnvironment(environment);
  QElapsedTimer timer;
  timer.start();
  program.start(TESSALY_PROGRAM, arguments);
  if (!program.waitForFinished(20000) || program.exitCode() != 0) return -1;
  return double(timer.nsecsElapsed()) / 1e6;
}

bool runningProgramAnswers() {
  QLocalSocket socket;
  socket.connectToServer(tessaly::app::handOverSocketName(tessaly::app::Program::lockPath()));
  return socket.waitForConnected(100);
}

int measure() {
  QTemporaryDir home;
  qputenv("HOME", home.path().toUtf8());
  qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();

  QProcessEnvironment painting = environment;
  painting.insert("TESSALY_QUIT_AFTER_PAINT", "1");
  std::vector<double> starts;
  for (int round = 0; round < kRounds; ++round) {
    const double ms = timeProgram(painting, {});
    if (ms < 0) return std::fprintf(stderr, "the program did not start\n"), 1;
    if (round > 0) starts.push_back(ms);  // the first round fills the file caches
  }
  std::printf("launch to painted main window: median %.0f ms, best %.0f ms (%d starts)\n",
              median(starts), *std::min_element(starts.begin(), starts.end()), kRounds - 1);

  QProcess first;
  first.setProcessEnvironment(environment);
  first.start(TESSALY_PROGRAM, {});
  QElapsedTimer waited;
  waited.start();
  while (!runningProgramAnswers()) {
    if (waited.elapsed() > 20000) return std::fprintf(stderr, "no running program\n"), 1;
  }
  std::vector<double> handOvers;
  for (int round = 0; round < kRounds; ++round) {
    const double ms = timeProgram(environment, {"/bench/one.jpg", "/bench/two.jpg"});
    if (ms < 0) return std::fprintf(stderr, "a later start failed\n"), 1;
    handOvers.push_back(ms);
  }
  std::printf("later start handing over two files: median %.0f ms, worst %.0f ms (%d starts)\n",
              median(handOvers), *std::max_element(handOvers.begin(), handOvers.end()), kRounds);
  first.kill();
  first.waitForFinished();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Without a display, run again on a private virtual X server.
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("TESSALY_BENCH_X")) {
    setenv("TESSALY_BENCH_X", "1", 1);
    std::vector<char*> command = {const_cast<char*>("xvfb-run"), const_cast<char*>("-a"),
                                  const_cast<char*>("-s"),
                                  const_cast<char*>("-screen 0 1280x1024x24")};
    command.insert(command.end(), argv, argv + argc);
    command.push_back(nullptr);
    execvp("xvfb-run", command.data());
    std::perror("app_startup_bench: xvfb-run");
    return 1;
  }
  QCoreApplication application(argc, argv);
  return measure();
}
