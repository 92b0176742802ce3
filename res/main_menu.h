// Menu 128, the main window's menu bar.
#pragma once

#include <memory>

#include "platform/framework/cmenu.h"

std::unique_ptr<CMenu> loadMainMenu();
