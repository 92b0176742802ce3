// Icons 128 (the application) and 129 (the capture-file type), each as a
// 32x32 and a 16x16 image in sixteen colours.
#pragma once

#include <vector>

#include "platform/framework/icon_image.h"
#include "platform/framework/wintypes.h"

// Largest image first; empty for an unknown id.
std::vector<platform::IconImage> loadSystemIcon(UINT id);
