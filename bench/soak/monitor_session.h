// The desktop monitor as app/main.cpp builds it (Qt window system, termios
// serial devices, the settings file), with message boxes and file dialogs
// answered automatically, so a program can drive it through its commands.
// The environment (XDG_CONFIG_HOME, KORVANE_REGISTRY, QT_QPA_PLATFORM) must
// be set before a session is made.
#pragma once

#include <memory>
#include <string>

#include "app/korvane_app.h"
#include "bench/soak/auto_answer_window_system.h"
#include "platform/posix/hive_file_registry.h"
#include "platform/posix/serial_device.h"
#include "platform/qt/qt_window_system.h"

class QWidget;

namespace soak {

struct LineChoice {
  std::string baudRate = "115200";
  std::string pollTimeMs = "10";
  std::string memSizeMB = "2";
};

class MonitorSession {
 public:
  MonitorSession(int& argc, char** argv);
  ~MonitorSession();

  // Stores the settings the monitor loads at start-up and at Connect; the
  // ports keep their defaults, COM3 and COM4.
  void storeSettings(const LineChoice& choice);
  // The application's start-up; false when it failed.
  bool start();
  // Sends a menu command as the main window's menu does.
  void command(UINT id);
  QWidget* mainWindow() const;
  // Runs the message loop until quit().
  int run();
  void quit();

  AutoAnswerWindowSystem& prompts() { return prompts_; }

 private:
  platform::qt::QtWindowSystem& qt_;
  AutoAnswerWindowSystem prompts_;
  platform::posix::SerialDevices serialDevices_;
  platform::posix::HiveFileRegistry settingsFile_;
  std::unique_ptr<CKORVANEApp> app_;
  bool started_ = false;
};

}  // namespace soak
