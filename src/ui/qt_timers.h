#pragma once
// Window timers on the Qt event loop of the window's thread.

#include <QObject>
#include <QTimer>
#include <map>
#include <memory>

#include "platform/timers.h"

namespace tavik {

class QtTimers final : public QObject, public WindowTimers {
  Q_OBJECT
 public:
  explicit QtTimers(QObject* parent = nullptr) : QObject(parent) {}
  void setHandler(Handler handler) override { handler_ = std::move(handler); }
  void start(int id, int periodMs) override;
  void stop(int id) override;
  bool isActive(int id) const override;

 private:
  Handler handler_;
  std::map<int, std::unique_ptr<QTimer>> timers_;
};

}  // namespace tavik
