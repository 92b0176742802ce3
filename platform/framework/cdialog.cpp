#include "platform/framework/cdialog.h"

#include "platform/framework/cdc.h"
#include "platform/framework/ddx.h"

namespace {
// A device context that draws nothing: the colouring hook only sets colours on it.
class ColourQueryDC final : public CDC {
 public:
  ColourQueryDC() = default;
};
}  // namespace

int CDialog::DoModal() {
  const int result = platform::windowSystem().runModalDialog(*this);
  ReleaseControls();
  return result;
}

void CDialog::EndDialog(int result) { platform::windowSystem().endModalDialog(*this, result); }

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  if (m_hWnd == platform::kNoWindow) return TRUE;
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return dx.failed() ? FALSE : TRUE;
}

BOOL CDialog::OnInitDialog() {
  FillListsFromTemplate();
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

CDlgItem* CDialog::GetDlgItem(int id) const {
  if (id < 0) return nullptr;
  for (const auto& item : m_controls) {
    if (item->GetDlgCtrlID() == id) return item.get();
  }
  return nullptr;
}

void CDialog::CreateControls() {
  ReleaseControls();
  for (const auto& control : m_template->controls) {
    auto item = std::make_unique<CDlgItem>(*this, control);
    ColourQueryDC dc;
    const COLORREF defaultColor = dc.GetTextColor();
    OnCtlColor(&dc, item.get(), ctlColorKind(control.kind));
    if (dc.GetTextColor() != defaultColor) item->setTextColor(dc.GetTextColor());
    m_controls.push_back(std::move(item));
  }
}

void CDialog::FillListsFromTemplate() {
  for (const auto& item : m_controls) {
    for (const auto& entry : item->controlTemplate().listItems) item->AddString(entry);
  }
}

void CDialog::DispatchInitDialog() {
  if (OnInitDialog() == FALSE) return;
  for (const auto& item : m_controls) {
    if (item->controlTemplate().tabStop && item->IsWindowEnabled()) {
      setFocusItem(item.get());
      return;
    }
  }
}

void CDialog::DispatchClicked(int id) {
  CDlgItem* item = GetDlgItem(id);
  if (item != nullptr) {
    if (!item->IsWindowEnabled()) return;
    if (item->kind() == platform::ControlKind::AutoCheckBox) {
      item->SetCheck(item->GetCheck() == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
    }
  }
  OnCommand(static_cast<UINT>(id), BN_CLICKED);
}

void CDialog::DispatchEnter() {
  for (const auto& item : m_controls) {
    if (item->kind() == platform::ControlKind::DefPushButton) {
      if (item->IsWindowEnabled()) DispatchClicked(item->GetDlgCtrlID());
      return;
    }
  }
  OnCommand(IDOK, BN_CLICKED);
}

void CDialog::DispatchCancel() { OnCommand(IDCANCEL, BN_CLICKED); }

BOOL CDialog::OnCommand(UINT id, UINT notifyCode) {
  if (notifyCode != BN_CLICKED) return FALSE;
  if (id == static_cast<UINT>(IDOK)) {
    OnOK();
    return TRUE;
  }
  if (id == static_cast<UINT>(IDCANCEL)) {
    OnCancel();
    return TRUE;
  }
  return FALSE;
}

HBRUSH CDialog::OnCtlColor(CDC* /*dc*/, CDlgItem* /*item*/, UINT /*ctlColor*/) {
  return kDefaultDialogBrush;
}

void CDialog::notifyControlChanged(const CDlgItem& item) {
  if (m_observer != nullptr) m_observer->controlChanged(item);
}

void CDialog::setFocusItem(CDlgItem* item) {
  m_focus = item;
  if (item != nullptr && m_observer != nullptr) m_observer->focusChanged(*item);
}

void CDialog::ReleaseControls() {
  m_focus = nullptr;
  m_observer = nullptr;
  m_controls.clear();
}

UINT ctlColorKind(platform::ControlKind kind) {
  switch (kind) {
    case platform::ControlKind::Edit:
    case platform::ControlKind::ComboBox:
      return CTLCOLOR_EDIT;
    case platform::ControlKind::DefPushButton:
    case platform::ControlKind::PushButton:
      return CTLCOLOR_BTN;
    case platform::ControlKind::GroupBox:
    case platform::ControlKind::Label:
    case platform::ControlKind::AutoCheckBox:
    case platform::ControlKind::Icon:
      return CTLCOLOR_STATIC;
  }
  return CTLCOLOR_STATIC;
}
