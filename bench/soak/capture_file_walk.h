// Reads a saved capture file back as the monitor wrote it: record by record,
// each port's data bytes gathered in order, and every rule a sound capture
// keeps checked on the way (lengths, port tags, labels, port A before port B
// within one poll).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace soak {

struct PortData {
  std::vector<std::uint8_t> bytes;
  std::size_t records = 0;
};

struct CaptureFileWalk {
  std::array<PortData, 2> ports;  // index 0 is port A (tag 1), 1 is port B (tag 2)
  std::size_t records = 0;
  std::size_t bytesWalked = 0;
  std::int64_t firstLabel = -1;
  std::int64_t lastLabel = -1;
  // The first rule broken, with the file offset of the record; empty when
  // every record is sound.
  std::optional<std::string> fault;
};

CaptureFileWalk walkCaptureFile(std::span<const std::uint8_t> file);

// The poll number of an 8-byte label written as "%06d: " (its first eight
// characters), or nothing when the label is not of that form.
std::optional<std::int64_t> labelNumber(std::span<const std::uint8_t> label);

}  // namespace soak
