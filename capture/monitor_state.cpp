#include "capture/monitor_state.h"

MonitorState monitorState;
