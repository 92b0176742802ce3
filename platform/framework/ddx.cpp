#include "platform/framework/ddx.h"

#include "platform/framework/cdialog.h"
#include "platform/framework/cdlgitem.h"
#include "platform/framework/cwinapp.h"

namespace {
std::string& appName() {
  static std::string name;
  return name;
}
}  // namespace

const std::string& AfxGetAppName() {
  const CWinApp* app = AfxGetApp();
  return app != nullptr ? app->GetAppName() : appName();
}
void AfxSetAppName(const std::string& name) { appName() = name; }

CDlgItem* CDataExchange::PrepareCtrl(int id) {
  if (m_failed) return nullptr;
  CDlgItem* item = m_pDlgWnd->GetDlgItem(id);
  if (item != nullptr) m_lastControl = item;
  return item;
}

void CDataExchange::Fail() {
  if (m_failed) return;
  m_failed = true;
  if (m_lastControl != nullptr) m_pDlgWnd->GotoDlgCtrl(m_lastControl);
}

void DDX_CBString(CDataExchange* dx, int id, std::string& value) {
  CDlgItem* item = dx->PrepareCtrl(id);
  if (item == nullptr) return;
  if (dx->m_bSaveAndValidate) {
    value = item->GetWindowText();
  } else if (item->SelectString(-1, value) == CB_ERR) {
    item->SetWindowText(value);
  }
}

void DDX_CBStringExact(CDataExchange* dx, int id, std::string& value) {
  CDlgItem* item = dx->PrepareCtrl(id);
  if (item == nullptr) return;
  if (dx->m_bSaveAndValidate) {
    value = item->GetWindowText();
    return;
  }
  for (int index = 0; index < item->GetCount(); ++index) {
    const std::string entry = item->GetLBText(index);
    if (entry.size() == value.size() && beginsWithIgnoringCase(entry, value)) {
      item->SetCurSel(index);
      return;
    }
  }
  item->SetWindowText(value);
}

void DDX_Check(CDataExchange* dx, int id, std::int32_t& value) {
  CDlgItem* item = dx->PrepareCtrl(id);
  if (item == nullptr) return;
  if (dx->m_bSaveAndValidate) {
    value = item->GetCheck();
  } else {
    // A value outside the three states shows as unchecked.
    item->SetCheck(value >= BST_UNCHECKED && value <= BST_INDETERMINATE ? value : BST_UNCHECKED);
  }
}

void DDX_Text(CDataExchange* dx, int id, std::string& value) {
  CDlgItem* item = dx->PrepareEditCtrl(id);
  if (item == nullptr) return;
  if (dx->m_bSaveAndValidate) {
    value = item->GetWindowText();
  } else {
    item->SetWindowText(value);
  }
}

void DDV_MaxChars(CDataExchange* dx, const std::string& value, int maxChars) {
  if (dx->failed()) return;
  if (!dx->m_bSaveAndValidate) {
    if (dx->lastControl() != nullptr) dx->lastControl()->LimitText(maxChars);
    return;
  }
  if (maxChars >= 0 && value.size() > static_cast<std::size_t>(maxChars)) {
    ShowMessageBox(dx->m_pDlgWnd->GetSafeHwnd(),
                   "Enter no more than " + std::to_string(maxChars) + " characters.",
                   AfxGetAppName(), MB_OK | MB_ICONEXCLAMATION);
    dx->Fail();
  }
}
