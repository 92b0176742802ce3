#include "setup/setup_dlg.h"

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/comm/port_name_advice.h"
#include "platform/framework/cdc.h"
#include "platform/framework/ddx.h"
#include "res/dialog_templates.h"
#include "res/resource.h"
#include "res/setup_dialog_ids.h"
#include "res/string_table.h"
#include "serial/stored_text.h"
#include "setup/memory_size_rule.h"

CSetupDlg::CSetupDlg(CWnd* parent) : CDialog(setupDialogTemplate(), parent) {}

// The exchange order matters when a validation fails: everything before the
// polling time has been taken, everything after it has not.
void CSetupDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  // A typed rate such as 25600 begins a list entry (256000); selecting that
  // entry would change the port's rate at the next SAVE.
  DDX_CBStringExact(dx, IDC_BAUDRATE1, m_settings.baudRate1);
  DDX_CBStringExact(dx, IDC_BAUDRATE2, m_settings.baudRate2);
  DDX_CBString(dx, IDC_DATABIT1, m_settings.dataBit1);
  DDX_CBString(dx, IDC_DATABIT2, m_settings.dataBit2);
  DDX_Check(dx, IDC_DISABLE, m_settings.disable);
  DDX_CBString(dx, IDC_MEMSIZE, m_settings.memSize);
  DDX_CBString(dx, IDC_PARITY1, m_settings.parity1);
  DDX_CBString(dx, IDC_PARITY2, m_settings.parity2);
  DDX_Text(dx, IDC_POLLTIME, m_settings.pollTime);
  DDV_MaxChars(dx, m_settings.pollTime, 3);
  DDX_CBString(dx, IDC_PORT1, m_settings.port1);
  DDX_CBString(dx, IDC_PORT2, m_settings.port2);
  DDX_CBString(dx, IDC_STOPBIT1, m_settings.stopBit1);
  DDX_CBString(dx, IDC_STOPBIT2, m_settings.stopBit2);
}

BOOL CSetupDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  loadSettings();
  UpdateData(FALSE);
  if (CDlgItem* disable = GetDlgItem(IDC_DISABLE)) {
    disable->SetCheck(m_settings.disable != 0 ? BST_CHECKED : BST_UNCHECKED);
  }
  return TRUE;
}

void CSetupDlg::OnOK() {
  if (!acceptTypedMemorySize() || !acceptPortNames()) return;
  saveSettings();
  if (monitorState.memSizeMB != monitorState.memSizeMBLoaded) confirmMemorySizeChange();
  monitorState.timerRestartPending = 1;
  CDialog::OnOK();
  monitorState.redrawPending = 1;
}

bool CSetupDlg::acceptTypedMemorySize() {
  CDlgItem* field = GetDlgItem(IDC_MEMSIZE);
  if (field == nullptr || typedMemorySizeMB(field->GetWindowText())) return true;
  MessageBox("Memory size must be 1 to 32 MB", "Warnning", MB_OK | MB_ICONEXCLAMATION);
  GotoDlgCtrl(field);
  return false;
}

bool CSetupDlg::acceptPortNames() {
  struct PortField {
    int id;
    const char* label;
  };
  for (const PortField port : {PortField{IDC_PORT1, "PORT A"}, PortField{IDC_PORT2, "PORT B"}}) {
    CDlgItem* field = GetDlgItem(port.id);
    if (field == nullptr) continue;
    const std::string name = field->GetWindowText();
    if (name.size() <= kStoredPortNameBytes) continue;
    const std::string limit = std::to_string(kStoredPortNameBytes);
    MessageBox(std::string(port.label) + ": the port name \"" + name + "\" is longer than " +
                   limit + " characters. Only " + limit +
                   " are stored, which would name another device. " +
                   (name.find("://") != std::string::npos ? platform::remoteLineNameAdvice()
                                                          : platform::longPortNameAdvice()),
               loadSystemString(AFX_IDS_APP_TITLE), MB_OK | MB_ICONEXCLAMATION);
    GotoDlgCtrl(field);
    return false;
  }
  return true;
}

void CSetupDlg::confirmMemorySizeChange() {
  const int answer = MessageBox("Memory size change, Really want to change...", "Warnning",
                                MB_OKCANCEL | MB_ICONEXCLAMATION);
  if (answer != IDOK) return;
  // Polling went on while the question was open; whatever it captured goes
  // with the old buffer.
  if (monitorState.connected != 0) closeAllPorts();
  allocateCaptureStore();
  monitorState.memSizeMBLoaded = monitorState.memSizeMB;
}

void CSetupDlg::OnDisable() {
  m_settings.disable = m_settings.disable == 0 ? 1 : 0;
  monitorState.portBDisabled = m_settings.disable;
}

BOOL CSetupDlg::OnCommand(UINT id, UINT notifyCode) {
  if (id == static_cast<UINT>(IDC_DISABLE) && notifyCode == BN_CLICKED) {
    OnDisable();
    return TRUE;
  }
  return CDialog::OnCommand(id, notifyCode);
}

HBRUSH CSetupDlg::OnCtlColor(CDC* dc, CDlgItem* item, UINT ctlColor) {
  const HBRUSH brush = CDialog::OnCtlColor(dc, item, ctlColor);
  switch (item->GetDlgCtrlID()) {
    case IDC_PORTB_GROUP:
    case IDC_PORTB_PORT_LABEL:
    case IDC_PORTB_BAUDRATE_LABEL:
    case IDC_PORTB_DATABITS_LABEL:
    case IDC_PORTB_STOPBIT_LABEL:
    case IDC_PORTB_PARITY_LABEL:
    case IDC_DISABLE:
      // Port B's captions in the colour of port B's records in the dump.
      dc->SetTextColor(RGB(192, 0, 0));
      break;
    default:
      break;
  }
  return brush;
}
