// Lines a user may need after the fact: per-port statistics, a device lost
// or back, a failure. Each goes to standard error (a console has it) and is
// appended, with a timestamp and the program's name, to the log file (a
// window program started from a desktop has no console); on Windows also to
// the debugger output. Writing never fails the caller: a log file that
// cannot be written is told once on standard error.
#pragma once

#include <filesystem>
#include <string>

namespace platform {

// line without its newline.
void writeDiagnosticLine(const std::string& line);

// $KORVANE_LOG when set; else korvane.log under $XDG_STATE_HOME/korvane
// (default ~/.local/state) on Linux, under %LOCALAPPDATA%\KORVANE on
// Windows. The file is moved to NAME.old once it reaches 1 MiB.
std::filesystem::path diagnosticLogPath();

}  // namespace platform
