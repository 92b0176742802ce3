#include "res/system_resources.h"

#include "res/accelerators.h"
#include "res/icons.h"
#include "res/main_menu.h"
#include "res/resource.h"
#include "res/string_table.h"

namespace {

class SystemResources final : public platform::ResourceModule {
 public:
  std::unique_ptr<CMenu> loadMenu(UINT id) const override {
    return id == IDR_MAINFRAME ? loadMainMenu() : nullptr;
  }
  std::vector<ACCEL> loadAccelerators(UINT id) const override {
    return id == IDR_MAINFRAME ? mainAccelerators() : std::vector<ACCEL>{};
  }
  std::string loadString(UINT id) const override { return loadSystemString(id); }
  std::vector<platform::IconImage> loadIcon(UINT id) const override { return loadSystemIcon(id); }
};

}  // namespace

const platform::ResourceModule& systemResources() {
  static const SystemResources resources;
  return resources;
}
