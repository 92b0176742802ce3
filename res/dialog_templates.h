// Dialog templates of the system.
#pragma once

#include "platform/framework/dialog_template.h"

inline constexpr UINT IDD_ABOUTBOX = 100;
inline constexpr UINT IDD_SETUP = 130;

const platform::DialogTemplate& aboutDialogTemplate();
const platform::DialogTemplate& setupDialogTemplate();
