#include "bench/soak/monitor_session.h"

#include <QWidget>

#include "platform/comm/comm_backend.h"
#include "platform/framework/cframewnd.h"
#include "platform/posix/config_paths.h"
#include "platform/registry/registry_backend.h"
#include "setup/setup_dlg.h"

namespace soak {

MonitorSession::MonitorSession(int& argc, char** argv)
    : qt_(platform::qt::installQtWindowSystem(argc, argv)),
      prompts_(qt_),
      serialDevices_(platform::posix::portsFolder()),
      settingsFile_(platform::posix::hiveFilePath()) {
  platform::installWindowSystem(&prompts_);
  platform::installCommBackend(&serialDevices_);
  platform::installRegistryBackend(&settingsFile_);
  app_ = std::make_unique<CKORVANEApp>();
}

MonitorSession::~MonitorSession() {
  if (started_) app_->ExitInstance();
  app_.reset();
  platform::installRegistryBackend(nullptr);
  platform::installCommBackend(nullptr);
  platform::installWindowSystem(&qt_);
}

void MonitorSession::storeSettings(const LineChoice& choice) {
  CSetupDlg setup;
  setup.applyDefaultSettings();
  setup.m_settings.baudRate1 = choice.baudRate;
  setup.m_settings.baudRate2 = choice.baudRate;
  setup.m_settings.pollTime = choice.pollTimeMs;
  setup.m_settings.memSize = choice.memSizeMB;
  setup.saveSettings();
}

bool MonitorSession::start() {
  app_->SetCommandLine({});
  started_ = app_->InitInstance() != FALSE;
  return started_;
}

void MonitorSession::command(UINT id) {
  if (auto* frame = dynamic_cast<CFrameWnd*>(app_->m_pMainWnd)) frame->OnCmdMsg(id);
}

QWidget* MonitorSession::mainWindow() const {
  return app_->m_pMainWnd != nullptr ? qt_.widget(app_->m_pMainWnd->GetSafeHwnd()) : nullptr;
}

int MonitorSession::run() { return app_->Run(); }

void MonitorSession::quit() { platform::windowSystem().quitMessageLoop(0); }

}  // namespace soak
