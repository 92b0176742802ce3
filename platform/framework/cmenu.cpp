#include "platform/framework/cmenu.h"

CMenu& CMenu::AppendItem(const std::string& text, UINT id) {
  MenuItem item;
  item.text = text;
  item.id = id;
  items_.push_back(std::move(item));
  return *this;
}

CMenu& CMenu::AppendSeparator() {
  MenuItem item;
  item.separator = true;
  items_.push_back(std::move(item));
  return *this;
}

CMenu& CMenu::AppendPopup(const std::string& text, std::unique_ptr<CMenu> popup) {
  MenuItem item;
  item.text = text;
  item.popup = std::move(popup);
  items_.push_back(std::move(item));
  return *this;
}

const MenuItem* CMenu::ItemAt(int position) const {
  if (position < 0 || position >= GetMenuItemCount()) return nullptr;
  return &items_[static_cast<std::size_t>(position)];
}

UINT CMenu::GetMenuItemID(int position) const {
  const MenuItem* item = ItemAt(position);
  if (item == nullptr || item->popup) return static_cast<UINT>(-1);
  return item->separator ? 0 : item->id;
}

std::string CMenu::GetMenuString(int position) const {
  const MenuItem* item = ItemAt(position);
  return item != nullptr ? item->text : std::string();
}

CMenu* CMenu::GetSubMenu(int position) const {
  const MenuItem* item = ItemAt(position);
  return item != nullptr ? item->popup.get() : nullptr;
}

MenuItem* CMenu::findMutable(UINT id) {
  for (auto& item : items_) {
    if (item.popup) {
      if (MenuItem* found = item.popup->findMutable(id)) return found;
    } else if (!item.separator && item.id == id) {
      return &item;
    }
  }
  return nullptr;
}

const MenuItem* CMenu::FindItem(UINT id) const { return const_cast<CMenu*>(this)->findMutable(id); }

UINT CMenu::EnableMenuItem(UINT id, UINT flags) {
  MenuItem* item = findMutable(id);
  if (item == nullptr) return static_cast<UINT>(-1);
  const UINT previous = item->state;
  item->state = flags & (MF_GRAYED | MF_DISABLED);
  return previous;
}

bool CMenu::IsItemEnabled(UINT id) const {
  const MenuItem* item = FindItem(id);
  return item != nullptr && (item->state & (MF_GRAYED | MF_DISABLED)) == 0;
}
