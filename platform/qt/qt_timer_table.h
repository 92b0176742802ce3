// Window timers as QTimers, one per (window, id). Setting an id that runs
// restarts it with the new period. Qt delivers the ticks in every event loop,
// nested ones (message boxes, dialogs) included.
#pragma once

#include <QTimer>
#include <functional>
#include <map>
#include <utility>

#include "platform/framework/window_system.h"

namespace platform::qt {

class QtTimerTable {
 public:
  using TickHandler = std::function<void(WindowHandle window, UINT_PTR id)>;

  explicit QtTimerTable(TickHandler onTick) : onTick_(std::move(onTick)) {}
  ~QtTimerTable();
  QtTimerTable(const QtTimerTable&) = delete;
  QtTimerTable& operator=(const QtTimerTable&) = delete;

  void set(WindowHandle window, UINT_PTR id, UINT periodMs);
  bool kill(WindowHandle window, UINT_PTR id);
  void killAll(WindowHandle window);
  bool isRunning(WindowHandle window, UINT_PTR id) const;
  int periodMs(WindowHandle window, UINT_PTR id) const;  // -1 when not running

 private:
  using Key = std::pair<WindowHandle, UINT_PTR>;
  static void retire(QTimer* timer);

  TickHandler onTick_;
  std::map<Key, QTimer*> timers_;
};

}  // namespace platform::qt
