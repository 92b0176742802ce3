// Command identifiers of the system's menu, accelerators and view.
#pragma once

#include "platform/framework/wintypes.h"

inline constexpr UINT ID_CONNECT = 32771;
inline constexpr UINT ID_DISCONNECT = 32772;
inline constexpr UINT ID_RESTART_CAPTURE = 32773;
inline constexpr UINT ID_READ_FILE = 32775;
inline constexpr UINT ID_SAVE_FILE = 32776;
inline constexpr UINT ID_SETUP = 32774;

// The main frame's menu, accelerators, icon and document template string.
inline constexpr UINT IDR_MAINFRAME = 128;
// The capture-file document type's icon.
inline constexpr UINT IDR_KORVANTYPE = 129;
// The application's name in the string table.
inline constexpr UINT AFX_IDS_APP_TITLE = 57344;
