// Menus as a tree of items. The backend shows the tree and reads each item's
// state when it shows a popup; EnableMenuItem changes the state here.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/framework/wintypes.h"

class CMenu;

struct MenuItem {
  std::string text;  // empty for a separator
  UINT id = 0;       // command id; 0 for a popup or a separator
  bool separator = false;
  UINT state = MF_ENABLED;       // MF_ENABLED, or MF_GRAYED | MF_DISABLED
  std::unique_ptr<CMenu> popup;  // set for a popup entry
};

class CMenu {
 public:
  // Builders.
  CMenu& AppendItem(const std::string& text, UINT id);
  CMenu& AppendSeparator();
  CMenu& AppendPopup(const std::string& text, std::unique_ptr<CMenu> popup);

  int GetMenuItemCount() const { return static_cast<int>(items_.size()); }
  // The command id at a position; 0 for separators, (UINT)-1 for popups.
  UINT GetMenuItemID(int position) const;
  std::string GetMenuString(int position) const;
  CMenu* GetSubMenu(int position) const;
  const MenuItem* ItemAt(int position) const;
  // Finds an item by command id in this menu and its popups.
  const MenuItem* FindItem(UINT id) const;

  // Sets the state of the item with the given command id (MF_BYCOMMAND);
  // returns its previous state, or (UINT)-1 when no item has that id.
  UINT EnableMenuItem(UINT id, UINT flags);
  bool IsItemEnabled(UINT id) const;

 private:
  MenuItem* findMutable(UINT id);
  std::vector<MenuItem> items_;
};
