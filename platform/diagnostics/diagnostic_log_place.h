// What the diagnostic lines need from each system; posix/ and win32/ each
// have one diagnostic_log_place.cpp.
#pragma once

#include <ctime>
#include <filesystem>
#include <string>

namespace platform::diagnostics {

// The log file's place when $KORVANE_LOG is not set; empty if the system
// names no folder for it.
std::filesystem::path defaultLogPath();

// The calendar fields of time in the local time zone.
std::tm localTime(std::time_t time);

// "korvane-record[4242]": which program wrote a line, when several share the file.
std::string processLabel();

// The debugger output on Windows; nothing elsewhere.
void sendToDebugger(const std::string& line);

}  // namespace platform::diagnostics
