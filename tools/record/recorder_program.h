// korvane-record from its command line to its exit status, over the serial
// devices and the settings store of the system it runs on.
#pragma once

#include "platform/comm/comm_backend.h"
#include "platform/registry/registry_backend.h"

namespace recorder {

int runRecorderProgram(int argc, char** argv, platform::CommBackend& serialDevices,
                       platform::RegistryBackend& settingsStore);

}  // namespace recorder
