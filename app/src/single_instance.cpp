#include "single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QLocalSocket>

namespace tessaly::app {
namespace {
constexpr char kShow[] = "show\n";
constexpr char kFiles[] = "files\n";
constexpr char kDone[] = "done\n";
}  // namespace

std::unique_ptr<InstanceLock> InstanceLock::acquire(const std::string& lockPath) {
  const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<InstanceLock>(new InstanceLock(fd));
}

InstanceLock::~InstanceLock() {
  ::close(fd_);
}

QString handOverSocketName(const std::string& lockPath) {
  const QByteArray hash =
      QCryptographicHash::hash(QByteArray::fromStdString(lockPath), QCryptographicHash::Sha1);
  return "tessaly-" + QString::number(::getuid()) + "-" + hash.toHex().left(16);
}

bool HandOverServer::listen(const QString& name) {
  // We hold the lock, so a socket file of that name is left from a program that died.
  QLocalServer::removeServer(name);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_.nextPendingConnection()) serve(socket);
  });
  return server_.listen(name);
}

void HandOverServer::serve(QLocalSocket* socket) {
  connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
  connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
    if (!socket->canReadLine()) return;
    const QByteArray line = socket->readLine();
    socket->write(kDone);
    socket->flush();
    emit requested(line == kFiles);
  });
}

bool notifyRunningInstance(const QString& name, bool files, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(name);
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(files ? kFiles : kShow);
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  while (!socket.canReadLine()) {
    if (!socket.waitForReadyRead(timeoutMs)) return false;
  }
  return socket.readLine() == kDone;
}

}  // namespace tessaly::app
