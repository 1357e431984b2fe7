#include "ui/qt_timers.h"

#include <QThread>

namespace tavik {

void QtMailbox::post(std::function<void()> work) {
  QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

bool QtMailbox::onWindowThread() const {
  return QThread::currentThread() == thread();
}

void QtTimers::start(int id, int periodMs) {
  if (mailbox_.onWindowThread())
    startHere(id, periodMs);
  else
    mailbox_.post([this, id, periodMs] { startHere(id, periodMs); });
}

void QtTimers::stop(int id) {
  if (mailbox_.onWindowThread())
    stopHere(id);
  else
    mailbox_.post([this, id] { stopHere(id); });
}

bool QtTimers::isActive(int id) const {
  std::lock_guard lock(mutex_);
  auto it = active_.find(id);
  return it != active_.end() && it->second;
}

void QtTimers::startHere(int id, int periodMs) {
  auto& t = timers_[id];
  if (!t) {
    t = std::make_unique<QTimer>();
    t->setTimerType(Qt::PreciseTimer);
    QObject::connect(t.get(), &QTimer::timeout, this, [this, id] {
      if (handler_) handler_(id);
    });
  }
  t->start(periodMs);
  std::lock_guard lock(mutex_);
  active_[id] = true;
}

void QtTimers::stopHere(int id) {
  if (auto it = timers_.find(id); it != timers_.end()) it->second->stop();
  std::lock_guard lock(mutex_);
  active_[id] = false;
}

}  // namespace tavik
