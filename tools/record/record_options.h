// The command line of korvane-record.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "tools/pcap/join_gap.h"

namespace recorder {

inline constexpr int kDefaultStoreMB = 32;
// The driver's input queue the recorder asks for: 64 KiB, 2.5 s of a line
// at 256000 baud (the window asks for 1024 bytes, 40 ms).
inline constexpr std::uint32_t kRecorderDriverQueueBytes = 64 * 1024;
// The most one read of a port adds to the store: 256 bytes as 16 records of
// 26. A store that cannot take that much more waits to be recycled.
inline constexpr std::uint64_t kOneReadStoreBytes = 16 * (16 + 10);
// The longest run --seconds takes: 100 years, far inside the range of the
// clock the run is timed on (nanoseconds in 64 bits, 292 years).
inline constexpr double kMostSeconds = 100.0 * 365 * 24 * 3600;

// The highest store-recycle threshold a store of storeMB takes: above it
// the store could be too full for the next read before it is recycled, and
// the recorder would capture nothing more.
std::uint64_t highestRecycleAt(int storeMB);

struct RecordOptions {
  std::string file;  // empty when only the pcap file is written
  // --pcap: a pcap file of the capture beside (or, with no FILE, instead of)
  // the capture file; --join-gap and --join-baud join its packets to frames.
  std::string pcapFile;
  std::optional<pcap_export::JoinGap> joinGap;
  std::optional<std::uint32_t> joinBaud;
  bool append = false;
  // Settings values replaced for this run, by value name ("Port1", "BaudRate2",
  // "POLLTIME", "Disable", ...), already checked against their tables.
  std::map<std::string, std::string> settings;
  std::optional<double> seconds;
  std::optional<std::uint64_t> maxBytes;
  // The capture store between two writes. Small sizes recycle it often,
  // which is how a short run goes through many recycles.
  int storeMB = kDefaultStoreMB;
  // The store is recycled once it holds this many bytes (default: all but
  // the last MiB, or half of a 1 MiB store).
  std::optional<std::uint64_t> recycleAtBytes;
};

struct RecordHelp {};
struct RecordVersion {};
struct RecordUsageError {
  std::string message;
};

using RecordParse = std::variant<RecordOptions, RecordHelp, RecordVersion, RecordUsageError>;

RecordParse parseRecordOptions(const std::vector<std::string_view>& args);

// "512", "64K", "10M", "2G": bytes, with binary multiples.
std::optional<std::uint64_t> parseByteCount(std::string_view text);

std::string recordUsageText();

}  // namespace recorder
