// Command identifiers of the system's menu, accelerators and view.
#pragma once

#include "platform/framework/wintypes.h"

inline constexpr UINT ID_CONNECT = 32771;
inline constexpr UINT ID_DISCONNECT = 32772;
inline constexpr UINT ID_RESTART_CAPTURE = 32773;
inline constexpr UINT ID_READ_FILE = 32775;
inline constexpr UINT ID_SAVE_FILE = 32776;
