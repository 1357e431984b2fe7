#pragma once
// The window's mailbox and window timers on the Qt event loop of the window's thread.

#include <QObject>
#include <QTimer>
#include <map>
#include <memory>
#include <mutex>

#include "platform/mailbox.h"
#include "platform/timers.h"

namespace tavik {

// Posts work to the thread this object lives on (the window's) as a queued call.
class QtMailbox final : public QObject, public WindowMailbox {
  Q_OBJECT
 public:
  explicit QtMailbox(QObject* parent = nullptr) : QObject(parent) {}
  void post(std::function<void()> work) override;
  bool onWindowThread() const;
};

// QTimers live on the window's thread; a start or stop from another thread goes there through
// the mailbox. The set of active timers is guarded, so isActive can be asked from anywhere.
class QtTimers final : public QObject, public WindowTimers {
  Q_OBJECT
 public:
  explicit QtTimers(QtMailbox& mailbox, QObject* parent = nullptr)
      : QObject(parent), mailbox_(mailbox) {}
  void setHandler(Handler handler) override { handler_ = std::move(handler); }
  void start(int id, int periodMs) override;
  void stop(int id) override;
  bool isActive(int id) const override;

 private:
  void startHere(int id, int periodMs);
  void stopHere(int id);

  QtMailbox& mailbox_;
  Handler handler_;
  std::map<int, std::unique_ptr<QTimer>> timers_;  // touched on the window's thread only
  mutable std::mutex mutex_;
  std::map<int, bool> active_;
};

}  // namespace tavik
