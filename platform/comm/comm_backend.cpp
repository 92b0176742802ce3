#include "platform/comm/comm_backend.h"

#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {
CommBackend* installedBackend = nullptr;
}

CommBackend& commBackend() {
  if (installedBackend == nullptr) {
    // A programming error: no port can be reached without a backend.
    std::fputs("no serial device backend installed\n", stderr);
    std::abort();
  }
  return *installedBackend;
}

void installCommBackend(CommBackend* backend) { installedBackend = backend; }

}  // namespace platform
