#include "bench/soak/capture_file_walk.h"

#include <cstdio>

#include "capture/capture_store.h"

namespace soak {
namespace {

std::string faultAt(std::size_t offset, const char* what) {
  return "record at byte " + std::to_string(offset) + ": " + what;
}

}  // namespace

std::optional<std::int64_t> labelNumber(std::span<const std::uint8_t> label) {
  if (label.size() != CaptureRecord::kLabelSize) return std::nullopt;
  std::int64_t number = 0;
  std::size_t digits = 0;
  while (digits < label.size() && label[digits] >= '0' && label[digits] <= '9') {
    number = number * 10 + (label[digits] - '0');
    ++digits;
  }
  if (digits == 0 || number > 99999999) return std::nullopt;
  // Formatting the number again must give exactly the label's bytes, which
  // rules out missing zero padding, stray characters and a wrong separator.
  char formatted[32];
  std::snprintf(formatted, sizeof formatted, "%06lld: ", static_cast<long long>(number));
  for (std::size_t i = 0; i < label.size(); ++i) {
    if (static_cast<std::uint8_t>(formatted[i]) != label[i]) return std::nullopt;
  }
  return number;
}

CaptureFileWalk walkCaptureFile(std::span<const std::uint8_t> file) {
  using namespace CaptureRecord;
  CaptureFileWalk walk;
  std::size_t at = 0;
  int lastTagOfLabel = 0;
  while (at < file.size()) {
    const std::size_t length = file[at];
    if (length == 0 || length > kMaxDataBytes) {
      walk.fault = faultAt(at, "length byte outside 1 to 16");
      break;
    }
    if (file.size() - at < kHeaderSize + length) {
      walk.fault = faultAt(at, "cut short by the end of the file");
      break;
    }
    const int tag = file[at + kPortTagOffset];
    if (tag != 1 && tag != 2) {
      walk.fault = faultAt(at, "port tag neither 1 nor 2");
      break;
    }
    const auto label = labelNumber(file.subspan(at + kLabelOffset, kLabelSize));
    if (!label) {
      walk.fault = faultAt(at, "label not a poll number");
      break;
    }
    if (*label < walk.lastLabel) {
      walk.fault = faultAt(at, "label smaller than the one before");
      break;
    }
    if (*label != walk.lastLabel) lastTagOfLabel = 0;
    if (tag < lastTagOfLabel) {
      walk.fault = faultAt(at, "port A record after port B within one poll");
      break;
    }
    lastTagOfLabel = tag;
    if (walk.firstLabel < 0) walk.firstLabel = *label;
    walk.lastLabel = *label;

    PortData& port = walk.ports[static_cast<std::size_t>(tag - 1)];
    const auto data = file.subspan(at + kDataOffset, length);
    port.bytes.insert(port.bytes.end(), data.begin(), data.end());
    ++port.records;
    ++walk.records;
    at += kHeaderSize + length;
  }
  walk.bytesWalked = at;
  return walk;
}

}  // namespace soak
