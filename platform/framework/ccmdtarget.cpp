#include "platform/framework/ccmdtarget.h"

BOOL CCmdTarget::OnCmdMsg(UINT /*id*/) { return FALSE; }
