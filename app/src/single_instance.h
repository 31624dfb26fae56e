// One running program per user. The first start holds an exclusive lock on a file in the
// per-user data folder for its whole life and listens on a local socket named after that file;
// a later start finds the lock taken, leaves its files in Tessaly.ini and tells the running
// program over the socket to bring its window forward and read them.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <memory>
#include <string>

namespace tessaly::app {

class InstanceLock {
 public:
  // The lock, or null when another process holds it (or the file cannot be made).
  static std::unique_ptr<InstanceLock> acquire(const std::string& lockPath);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

 private:
  explicit InstanceLock(int fd) : fd_(fd) {}
  int fd_;
};

// The socket's name for a lock file: the same for every start of one user's program.
QString handOverSocketName(const std::string& lockPath);

// The running program's end of the socket.
class HandOverServer : public QObject {
  Q_OBJECT
 public:
  bool listen(const QString& name);

 signals:
  // Another start asked for the window; `files` when it left files to read.
  void requested(bool files);

 private:
  void serve(QLocalSocket* socket);
  QLocalServer server_;
};

// The starting program's end: tells the running one to come forward and, with `files`, to read
// the hand-over keys. False when no running program answered within the time.
bool notifyRunningInstance(const QString& name, bool files, int timeoutMs);

}  // namespace tessaly::app
