#include "platform/desktop/message_loop.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace platform::desktop {

int MessageLoopQuit::run(const std::function<int()>& loop) {
  if (pendingQuit_) return *std::exchange(pendingQuit_, std::nullopt);
  running_ = true;
  const int code = loop();
  running_ = false;
  return code;
}

void MessageLoopQuit::quit(int exitCode, const std::function<void(int)>& endLoop) {
  if (running_) {
    endLoop(exitCode);
  } else {
    pendingQuit_ = exitCode;
  }
}

void endProcessNow(int status) {
  std::fflush(nullptr);
  std::_Exit(status);
}

}  // namespace platform::desktop
