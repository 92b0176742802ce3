// Files and the standard streams as plain bytes for the command-line tools:
// no line-end translation, no end-of-file character, and 64-bit sizes, so a
// capture file reads and writes the same on every system. Descriptors are
// the C library's; a failure returns -1 (or false) with errno telling why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace platform::process {

inline constexpr int kStandardInput = 0;
inline constexpr int kStandardOutput = 1;

// Puts standard input and output in byte mode; call before either is used.
void useByteStandardStreams();

int openForReading(const std::string& path);
// Creates the file; fails (EEXIST) when it is already there. Like
// openToAppend, on Windows no other program may open it for writing while
// it is open.
int createNew(const std::string& path);
// Opens the file for appending, creating it when it is not there.
int openToAppend(const std::string& path);

// One writer per capture file: takes the writer's lock of fd, a file open
// for writing, so that no other recorder or Save File writes into it at the
// same time (flock on POSIX; on Windows the open itself denied write
// sharing). False, with errno EWOULDBLOCK, when another process holds it.
bool lockForWriting(int fd);
// The same for a C stream open for writing (the window's Save File).
bool lockForWriting(std::FILE* file);
// Who else holds the writer's lock on the file at path, as "4242
// (korvane-record)", or "another program" when the system does not tell
// which; empty when nobody does.
std::string otherWriterOf(const std::string& path);
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
