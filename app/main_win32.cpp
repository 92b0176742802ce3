// The Windows program: the system over the Win32 window system, the Win32
// serial devices and the registry. This is the one place where system and
// Windows backends meet.
#include <string>
#include <vector>

#include "app/korvane_app.h"
#include "platform/comm/comm_backend.h"
#include "platform/network/folder_entry.h"
#include "platform/network/port_router.h"
#include "platform/network/remote_lines.h"
#include "platform/registry/registry_backend.h"
#include "platform/win32/serial_device.h"
#include "platform/win32/system_registry.h"
#include "platform/win32/win32_shell_registration.h"
#include "platform/win32/win32_window_system.h"
#include "res/resource.h"
#include "res/string_table.h"

namespace {

// The capture-file type's icon among the program's own icons
// (packaging/windows/korvane.rc.in): the second.
constexpr int kDocumentIconIndex = 1;

// Field index of the document template string, which separates its fields
// by '\n'.
std::string templateField(const std::string& text, int index) {
  std::string::size_type start = 0;
  for (int field = 0; field < index; ++field) {
    start = text.find('\n', start);
    if (start == std::string::npos) return {};
    ++start;
  }
  return text.substr(start, text.find('\n', start) - start);
}

// The capture-file type, registered for the current user at every start, so
// that a capture file opens with this program and shows the type's icon.
void registerCaptureFileType() {
  const std::string templateString = loadSystemString(IDR_MAINFRAME);
  platform::win32::DocumentType type;
  type.extension = templateField(templateString, CSingleDocTemplate::filterExt);
  type.typeId = templateField(templateString, CSingleDocTemplate::regFileTypeId);
  type.typeName = templateField(templateString, CSingleDocTemplate::regFileTypeName);
  type.iconIndex = kDocumentIconIndex;
  const std::string failure = platform::win32::registerDocumentType(type);
  if (!failure.empty()) {
    ShowMessageBox(platform::kNoWindow,
                   "Capture files (" + type.extension +
                       ") could not be registered to open with "
                       "this program.",
                   loadSystemString(AFX_IDS_APP_TITLE), MB_ICONEXCLAMATION,
                   failure + "\nThe program works without it; open capture files with Read file.");
  }
}

}  // namespace

int main(int argc, char** argv) {
  platform::win32::installWin32WindowSystem();
  platform::win32::SerialDevices serialDevices;
  platform::network::RemoteLines remoteLines;
  platform::network::PortRouter ports(serialDevices, remoteLines,
                                      platform::network::applicationDataPortsFolder());
  platform::installCommBackend(&ports);
  platform::win32::SystemRegistry registry;
  platform::installRegistryBackend(&registry);
  registerCaptureFileType();

  CKORVANEApp theApp;
  return AfxWinMain(argc, argv);
}
