// The setup dialog class. Its object holds one settings record; the port
// access and settings store operations are its members, so callers that do
// not show the dialog work on a temporary object that is never shown.
#pragma once

#include <cstdint>
#include <string>

#include "platform/framework/cdialog.h"

// The settings record: twelve texts and one flag, in declared order.
struct PortSettings {
  std::string baudRate1;
  std::string baudRate2;
  std::string dataBit1;
  std::string dataBit2;
  std::int32_t disable = 0;
  std::string memSize;
  std::string parity1;
  std::string parity2;
  std::string pollTime;
  std::string port1;
  std::string port2;
  std::string stopBit1;
  std::string stopBit2;
};

class CSetupDlg : public CDialog {
 public:
  explicit CSetupDlg(CWnd* parent = nullptr);

  PortSettings m_settings;
  // The driver's input queue asked for at open (the window's 1024 bytes;
  // the recorder asks for more). Where the driver sizes its own queue, as
  // the tty layer does, this means nothing.
  std::uint32_t m_driverQueueBytes = 1024;

  // Port access (serial/port_access.cpp). Port 0 is port A, 1 is port B.
  int openPort(int port, std::int32_t lineSettingsWord);
  int readPort(int port, std::uint8_t* buffer);
  int closePort(int port);
  void openAllPorts();
  void closeAllPorts();

  // Settings store (serial/settings_store.cpp).
  void applyDefaultSettings();
  void loadSettings();
  void saveSettings();
  void encodeLineSettings();
  void loadCaptureSettings();

  // The dialog itself (setup/).
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnDisable();

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnCommand(UINT id, UINT notifyCode) override;
  HBRUSH OnCtlColor(CDC* dc, CDlgItem* item, UINT ctlColor) override;

 private:
  // Refuses a typed memory size the capture store cannot hold, telling the
  // user and putting the focus on the field; true when the size is usable.
  bool acceptTypedMemorySize();
  // Refuses a port name longer than the settings store keeps, which would
  // come back cut short as the name of another device; true when both fit.
  bool acceptPortNames();
  // Replaces the capture buffer with one of the size just saved, when the
  // user confirms.
  void confirmMemorySizeChange();
};
