// How the desktops' message loops end: a quit asked before the loop runs (a
// start-up failure shows its box and quits first) ends the loop as soon as it
// starts, and ending the process ends it at once, from any nested loop.
#pragma once

#include <functional>
#include <optional>

namespace platform::desktop {

class MessageLoopQuit {
 public:
  // Runs the loop and returns its exit code; after an early quit, returns
  // that code without running it.
  int run(const std::function<int()>& loop);
  // Ends the running loop through endLoop; before it runs, keeps the code.
  void quit(int exitCode, const std::function<void(int)>& endLoop);

 private:
  std::optional<int> pendingQuit_;
  bool running_ = false;
};

// Only the C streams are flushed, as the standard exit's callers expect of
// their output; no destructor or exit handler runs.
[[noreturn]] void endProcessNow(int status);

}  // namespace platform::desktop
