#include "ui/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace tavik {
namespace {

// How long a second start keeps asking the first copy, which may still be starting; each try
// waits at most kTryMs.
constexpr int kAskTries = 20;
constexpr int kTryMs = 250;
constexpr char kRaise[] = "raise\n";

}  // namespace

SingleInstance::SingleInstance(QString runtimeDir) {
  if (runtimeDir.isEmpty())
    runtimeDir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  QDir().mkpath(runtimeDir);
  lockPath_ = runtimeDir + "/tavik.lock";
  socketPath_ = runtimeDir + "/tavik.socket";
}

bool SingleInstance::claim(Clock& clock) {
  lockFd_ = ::open(lockPath_.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  // Without a lock file (a read-only runtime folder) there is nothing to share: run.
  if (lockFd_ < 0 || ::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) {
    QLocalServer::removeServer(socketPath_);  // a socket file left by a copy that died
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(socketPath_);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
      while (QLocalSocket* peer = server_.nextPendingConnection()) {
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
          if (peer->readAll().startsWith("raise")) raiseWindow();
        });
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
      }
    });
    return true;
  }
  for (int attempt = 0; attempt < kAskTries; ++attempt) {
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (socket.waitForConnected(kTryMs)) {
      socket.write(kRaise);
      socket.waitForBytesWritten(kTryMs);
      socket.disconnectFromServer();
      break;
    }
    clock.sleepMs(kTryMs);
  }
  return false;
}

SingleInstance::~SingleInstance() {
  if (lockFd_ >= 0) ::close(lockFd_);
}

void SingleInstance::raiseWindow() {
  if (!window_) return;
  window_->showNormal();
  window_->raise();
  window_->activateWindow();
}

}  // namespace tavik
