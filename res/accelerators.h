// Accelerator table 128: the framework's standard keys.
#pragma once

#include <vector>

#include "platform/framework/wintypes.h"

std::vector<ACCEL> mainAccelerators();
