#include "platform/framework/cdlgitem.h"

#include <cctype>

#include "platform/framework/cdialog.h"

CDlgItem::CDlgItem(CDialog& owner, const platform::ControlTemplate& controlTemplate)
    : m_owner(&owner), m_template(&controlTemplate), m_text(controlTemplate.caption) {}

void CDlgItem::changed() { m_owner->notifyControlChanged(*this); }

void CDlgItem::SetWindowText(const std::string& text) {
  m_text = text;
  // A drop-down whose text was set by hand no longer shows a list item.
  if (kind() == platform::ControlKind::ComboBox) m_curSel = CB_ERR;
  changed();
}

int CDlgItem::AddString(const std::string& item) {
  m_items.push_back(item);
  changed();
  return GetCount() - 1;
}

std::string CDlgItem::GetLBText(int index) const {
  if (index < 0 || index >= GetCount()) return {};
  return m_items[static_cast<std::size_t>(index)];
}

int CDlgItem::SetCurSel(int index) {
  if (index < -1 || index >= GetCount()) return CB_ERR;
  m_curSel = index;
  m_text = index >= 0 ? m_items[static_cast<std::size_t>(index)] : std::string();
  changed();
  return index;
}

int CDlgItem::SelectString(int startAfter, const std::string& prefix) {
  const int count = GetCount();
  if (count == 0) return CB_ERR;
  const int first = (startAfter < -1 || startAfter >= count) ? 0 : startAfter + 1;
  for (int step = 0; step < count; ++step) {
    const int index = (first + step) % count;
    if (beginsWithIgnoringCase(m_items[static_cast<std::size_t>(index)], prefix)) {
      return SetCurSel(index);
    }
  }
  return CB_ERR;
}

void CDlgItem::SetCheck(int state) {
  m_check = (state == BST_CHECKED || state == BST_INDETERMINATE) ? state : BST_UNCHECKED;
  changed();
}

void CDlgItem::LimitText(int maxChars) {
  m_textLimit = maxChars > 0 ? maxChars : 0;
  changed();
}

BOOL CDlgItem::EnableWindow(BOOL enable) {
  const BOOL wasDisabled = m_enabled ? FALSE : TRUE;
  m_enabled = enable != FALSE;
  changed();
  return wasDisabled;
}

void CDlgItem::SetFocus() { m_owner->setFocusItem(this); }

void CDlgItem::userTypeText(const std::string& text) {
  m_text = m_textLimit > 0 && text.size() > static_cast<std::size_t>(m_textLimit)
               ? text.substr(0, static_cast<std::size_t>(m_textLimit))
               : text;
  if (kind() == platform::ControlKind::ComboBox) m_curSel = CB_ERR;
}

void CDlgItem::userSelectItem(int index) {
  if (index < 0 || index >= GetCount()) return;
  m_curSel = index;
  m_text = m_items[static_cast<std::size_t>(index)];
}

bool beginsWithIgnoringCase(const std::string& text, const std::string& prefix) {
  if (prefix.size() > text.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const auto a = std::tolower(static_cast<unsigned char>(text[i]));
    const auto b = std::tolower(static_cast<unsigned char>(prefix[i]));
    if (a != b) return false;
  }
  return true;
}
