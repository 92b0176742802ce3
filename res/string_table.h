// The system's string table.
#pragma once

#include <string>

#include "platform/framework/wintypes.h"

// The string of that id; empty when there is none.
std::string loadSystemString(UINT id);
