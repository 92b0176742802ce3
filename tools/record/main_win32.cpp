// korvane-record on Windows: the recorder over the communications functions
// and the settings the monitor keeps in the registry.
#include "platform/win32/serial_device.h"
#include "platform/win32/system_registry.h"
#include "tools/record/recorder_program.h"

int main(int argc, char** argv) {
  platform::win32::SerialDevices serialDevices;
  platform::win32::SystemRegistry registry;
  return recorder::runRecorderProgram(argc, argv, serialDevices, registry);
}
