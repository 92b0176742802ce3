// The pure parts of the log file: a line's stamp and the size bound.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>

namespace platform::diagnostics {

inline constexpr std::uintmax_t kLogSizeLimit = 1024 * 1024;

// "2026-12-08 17:45:01.042 korvane[311]: PORT A COM3: device lost at poll 12"
std::string stampedLine(const std::tm& local, int milliseconds, const std::string& program,
                        const std::string& line);

// Moves path to path + ".old" (replacing an older one) once it holds
// limitBytes or more, so the log never grows past about twice the limit.
// Returns the reason when the move failed, else an empty text.
std::string rotateWhenFull(const std::filesystem::path& path, std::uintmax_t limitBytes);

}  // namespace platform::diagnostics
