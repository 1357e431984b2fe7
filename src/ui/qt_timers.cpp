#include "ui/qt_timers.h"

namespace tavik {

void QtTimers::start(int id, int periodMs) {
  auto& t = timers_[id];
  if (!t) {
    t = std::make_unique<QTimer>();
    t->setTimerType(Qt::PreciseTimer);
    QObject::connect(t.get(), &QTimer::timeout, this, [this, id] {
      if (handler_) handler_(id);
    });
  }
  t->start(periodMs);
}

void QtTimers::stop(int id) {
  if (auto it = timers_.find(id); it != timers_.end()) it->second->stop();
}

bool QtTimers::isActive(int id) const {
  auto it = timers_.find(id);
  return it != timers_.end() && it->second->isActive();
}

}  // namespace tavik
