#include "platform/framework/window_system.h"

#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {
WindowSystem* installedSystem = nullptr;
}

WindowSystem& windowSystem() {
  if (installedSystem == nullptr) {
    // A programming error: nothing can be shown without a backend.
    std::fputs("no window system installed\n", stderr);
    std::abort();
  }
  return *installedSystem;
}

void installWindowSystem(WindowSystem* system) { installedSystem = system; }

}  // namespace platform
