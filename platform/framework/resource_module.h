// The resources an application is built with: menus, accelerator tables,
// strings and icons, each looked up by its id. The framework loads the frame's
// menu, accelerators, icon and document template string through this.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/framework/cmenu.h"
#include "platform/framework/icon_image.h"
#include "platform/framework/wintypes.h"

namespace platform {

class ResourceModule {
 public:
  virtual ~ResourceModule() = default;
  // A new copy of the menu; null when there is no menu of that id.
  virtual std::unique_ptr<CMenu> loadMenu(UINT id) const = 0;
  // Empty when there is no table of that id.
  virtual std::vector<ACCEL> loadAccelerators(UINT id) const = 0;
  // Empty when there is no string of that id.
  virtual std::string loadString(UINT id) const = 0;
  // Every image of the icon, largest first; empty when there is none.
  virtual std::vector<IconImage> loadIcon(UINT id) const = 0;
};

}  // namespace platform
