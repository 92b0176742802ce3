// The polling period a stored polling time stands for. The monitor's window
// and the recorder both poll at this period, so one settings file means the
// same on the screen and on the console.
#pragma once

#include <cstdint>

// As the window's timer runs it: a time below 10 ms, a negative one and a
// text that is no number (stored as 0) all poll at 10 ms.
std::uint32_t pollPeriodMs(std::int32_t pollTimeMs);
