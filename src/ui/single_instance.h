#pragma once
// One copy of tavik per user: two copies would both bid into one page. The first copy holds an
// flock on a file in the user's runtime folder and listens on a local socket beside it; a later
// start finds the lock taken, asks the running copy through the socket to come to the front,
// and ends. The system releases the lock of a copy that died, so no stale lock stops a start.

#include <QLocalServer>
#include <QObject>
#include <QWidget>

#include "platform/clock.h"

namespace tavik {

class SingleInstance : public QObject {
 public:
  // `runtimeDir` is the user's own folder for them (XDG_RUNTIME_DIR as Qt finds it when empty).
  explicit SingleInstance(QString runtimeDir = {});
  ~SingleInstance() override;

  // True when this is the only copy; false when another runs, which has then been asked to
  // come to the front (within a bounded wait: it may still be starting).
  bool claim(Clock& clock);
  // The window that a later start brings to the front.
  void setWindow(QWidget* window) { window_ = window; }

 private:
  void raiseWindow();

  QString lockPath_;
  QString socketPath_;
  int lockFd_ = -1;  // held open (and locked) for the program's life
  QLocalServer server_;
  QWidget* window_ = nullptr;
};

}  // namespace tavik
