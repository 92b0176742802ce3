// The system's resources as the framework loads them: menu, accelerators,
// strings and icons by id.
#pragma once

#include "platform/framework/resource_module.h"

const platform::ResourceModule& systemResources();
