#include "platform/registry/registry_backend.h"

#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {
RegistryBackend* installedBackend = nullptr;
}

RegistryBackend& registryBackend() {
  if (installedBackend == nullptr) {
    // A programming error: settings cannot be kept without a backend.
    std::fputs("no registry backend installed\n", stderr);
    std::abort();
  }
  return *installedBackend;
}

void installRegistryBackend(RegistryBackend* backend) { installedBackend = backend; }

const char* registryRootName(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::LocalMachine:
      return "HKEY_LOCAL_MACHINE";
  }
  return "HKEY_LOCAL_MACHINE";
}

}  // namespace platform
