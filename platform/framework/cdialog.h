// Modal dialogs built from a template. The dialog keeps one CDlgItem per
// control of its template while it is shown; the backend shows them, reports
// the user's changes back, and delivers clicks, Enter, Escape and the close box.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/framework/cdlgitem.h"
#include "platform/framework/cwnd.h"
#include "platform/framework/dialog_template.h"

class CDataExchange;
class CDC;

// A brush handle as the colouring hook returns it; the framework's default
// brush is the only one the system hands back.
using HBRUSH = std::uintptr_t;
inline constexpr HBRUSH kDefaultDialogBrush = 1;

// Kinds of control the colouring hook is asked about.
inline constexpr UINT CTLCOLOR_EDIT = 1;
inline constexpr UINT CTLCOLOR_LISTBOX = 2;
inline constexpr UINT CTLCOLOR_BTN = 3;
inline constexpr UINT CTLCOLOR_DLG = 4;
inline constexpr UINT CTLCOLOR_STATIC = 6;

// Notification code of a click on a button or check box.
inline constexpr UINT BN_CLICKED = 0;

namespace platform {
// Told by the dialog whenever the program changes a control or the focus, so
// that a backend with real widgets can show the change.
class DialogControlObserver {
 public:
  virtual ~DialogControlObserver() = default;
  virtual void controlChanged(const CDlgItem& item) = 0;
  virtual void focusChanged(const CDlgItem& item) = 0;
};
}  // namespace platform

class CDialog : public CWnd {
 public:
  CDialog(const platform::DialogTemplate& dialogTemplate, CWnd* parent)
      : m_template(&dialogTemplate), m_pParentWnd(parent) {}

  const platform::DialogTemplate& GetTemplate() const { return *m_template; }
  UINT GetTemplateId() const { return m_template->id; }
  CWnd* GetParentWnd() const { return m_pParentWnd; }

  // Runs the dialog modally; returns IDOK, IDCANCEL or the EndDialog result.
  // The controls exist only while it runs.
  virtual int DoModal();
  void EndDialog(int result);

  // Moves data between controls and members: FALSE loads the controls,
  // TRUE saves from them with validation. Returns FALSE when a validation
  // failed; the exchange stops at that step. A dialog that is not shown has
  // nothing to exchange with: nothing changes and the result is TRUE.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  // Called by the backend once the dialog's controls exist.
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();

  // --- Controls -----------------------------------------------------------
  // The control with this id, or nullptr (no such control, or not shown).
  CDlgItem* GetDlgItem(int id) const;
  const std::vector<std::unique_ptr<CDlgItem>>& controls() const { return m_controls; }
  CDlgItem* focusItem() const { return m_focus; }
  void GotoDlgCtrl(CDlgItem* item) { setFocusItem(item); }

  // --- Entry points of the backend ----------------------------------------
  // Builds the controls from the template and asks the colouring hook once
  // per control for its text colour.
  void CreateControls();
  // Runs OnInitDialog; a TRUE result puts the focus on the first enabled tab stop.
  void DispatchInitDialog();
  // A click on a button or check box (a check box flips its own mark first).
  void DispatchClicked(int id);
  // Enter: the default button, as if clicked.
  void DispatchEnter();
  // Escape and the close box: CANCEL.
  void DispatchCancel();
  void setControlObserver(platform::DialogControlObserver* observer) { m_observer = observer; }

  // Called by the controls.
  void notifyControlChanged(const CDlgItem& item);
  void setFocusItem(CDlgItem* item);

 protected:
  virtual void DoDataExchange(CDataExchange* /*dx*/) {}
  // A command from a control. The default handles IDOK and IDCANCEL clicks.
  // Returns TRUE when handled.
  virtual BOOL OnCommand(UINT id, UINT notifyCode);
  // Asked once per control as it is created: set the text colour on dc and
  // return the background brush.
  virtual HBRUSH OnCtlColor(CDC* dc, CDlgItem* item, UINT ctlColor);
  void OnClose() override { DispatchCancel(); }

  // Fills the drop-down lists from the template, as the framework's dialog
  // initialisation does.
  void FillListsFromTemplate();

 private:
  void ReleaseControls();

  const platform::DialogTemplate* m_template;
  CWnd* m_pParentWnd;
  std::vector<std::unique_ptr<CDlgItem>> m_controls;
  CDlgItem* m_focus = nullptr;
  platform::DialogControlObserver* m_observer = nullptr;
};

// The kind of control the colouring hook is told about for a template kind.
UINT ctlColorKind(platform::ControlKind kind);
