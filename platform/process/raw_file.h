// Files and the standard streams as plain bytes for the command-line tools:
// no line-end translation, no end-of-file character, and 64-bit sizes, so a
// capture file reads and writes the same on every system. Descriptors are
// the C library's; a failure returns -1 (or false) with errno telling why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform::process {

inline constexpr int kStandardInput = 0;
inline constexpr int kStandardOutput = 1;

// Puts standard input and output in byte mode; call before either is used.
void useByteStandardStreams();

int openForReading(const std::string& path);
// Creates the file; fails (EEXIST) when it is already there.
int createNew(const std::string& path);
// Opens the file for appending, creating it when it is not there.
int openToAppend(const std::string& path);
bool closeFile(int fd);

// Up to count bytes: the count read, 0 at the end, -1 on failure.
long long readSome(int fd, void* buffer, std::size_t count);
// Up to count bytes: the count written, -1 on failure.
long long writeSome(int fd, const void* bytes, std::size_t count);

std::optional<std::uint64_t> fileSize(int fd);
bool isRegularFile(int fd);
bool truncateTo(int fd, std::uint64_t bytes);
// Makes what was written durable on the disk.
bool flushToDisk(int fd);

// The command a user types on this system to cut the file to its first
// bytes, for messages that tell what to do.
std::string truncateCommand(const std::string& path, std::uint64_t bytes);

}  // namespace platform::process
