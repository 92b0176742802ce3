#include "platform/qt/qt_timer_table.h"

#include <QCoreApplication>
#include <algorithm>
#include <limits>

namespace platform::qt {

QtTimerTable::~QtTimerTable() {
  for (auto& entry : timers_) delete entry.second;
}

void QtTimerTable::set(WindowHandle window, UINT_PTR id, UINT periodMs) {
  const int interval = static_cast<int>(std::min<UINT>(periodMs, std::numeric_limits<int>::max()));
  auto& timer = timers_[{window, id}];
  if (timer == nullptr) {
    timer = new QTimer;
    // Precise: a 10 ms poll must not stretch to the coarse timer's slack.
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, [this, window, id] { onTick_(window, id); });
  }
  timer->start(interval);  // restarting a running timer begins its period anew
}

// A timer may be killed from its own tick handler, so it is deleted later,
// never inside its own signal.
void QtTimerTable::retire(QTimer* timer) {
  if (QCoreApplication::instance() == nullptr) {
    delete timer;  // the process is ending: no loop will delete it later
    return;
  }
  timer->stop();
  QObject::disconnect(timer, nullptr, nullptr, nullptr);
  timer->deleteLater();
}

bool QtTimerTable::kill(WindowHandle window, UINT_PTR id) {
  auto it = timers_.find({window, id});
  if (it == timers_.end()) return false;
  retire(it->second);
  timers_.erase(it);
  return true;
}

void QtTimerTable::killAll(WindowHandle window) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->first.first == window) {
      retire(it->second);
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

bool QtTimerTable::isRunning(WindowHandle window, UINT_PTR id) const {
  return timers_.contains({window, id});
}

int QtTimerTable::periodMs(WindowHandle window, UINT_PTR id) const {
  auto it = timers_.find({window, id});
  return it != timers_.end() ? it->second->interval() : -1;
}

}  // namespace platform::qt
