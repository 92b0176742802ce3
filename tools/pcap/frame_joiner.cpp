#include "tools/pcap/frame_joiner.h"

#include <algorithm>
#include <cmath>

namespace pcap_export {

namespace {

constexpr double kBitsPerCharacter = 11;

// Packets go out by time; within one poll port A before port B, as the
// capture records have them.
bool before(const SerialPacket& a, const SerialPacket& b) {
  return a.timeMicros != b.timeMicros ? a.timeMicros < b.timeMicros : a.footer < b.footer;
}

}  // namespace

std::int64_t characterGapMicros(double characters, std::uint32_t baud) {
  if (baud == 0) return 0;
  return std::llround(characters * kBitsPerCharacter * 1e6 / baud);
}

FrameJoiner::FrameJoiner(std::array<std::int64_t, 2> gapMicros) : gapMicros_(gapMicros) {}

std::optional<FrameJoiner::OpenFrame>* FrameJoiner::frameOf(int portTag) {
  if (portTag == kPortTagA) return &open_[0];
  if (portTag == kPortTagB) return &open_[1];
  return nullptr;
}

std::int64_t FrameJoiner::gapOf(int portTag) const {
  if (portTag == kPortTagA) return gapMicros_[0];
  if (portTag == kPortTagB) return gapMicros_[1];
  return 0;
}

void FrameJoiner::addData(int portTag, std::int64_t pollMicros, std::int64_t previousPollMicros,
                          std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return;
  std::optional<OpenFrame>* frame = frameOf(portTag);
  if (frame != nullptr && frame->has_value()) {
    OpenFrame& open = **frame;
    const std::int64_t provenSilence =
        std::max<std::int64_t>(previousPollMicros - open.lastPartMicros, 0);
    const bool fits = open.packet.payload.size() + bytes.size() <= kMaxPayloadBytes;
    if (provenSilence < gapOf(portTag) && fits) {
      open.packet.payload.insert(open.packet.payload.end(), bytes.begin(), bytes.end());
      open.lastPartMicros = pollMicros;
      return;
    }
    close(*frame);
  }
  // A poll's bytes beyond one packet's size go on in further packets.
  for (std::size_t at = 0; at < bytes.size(); at += kMaxPayloadBytes) {
    const std::size_t count = std::min(kMaxPayloadBytes, bytes.size() - at);
    SerialPacket packet;
    packet.timeMicros = pollMicros;
    packet.event = dataEventOfPort(portTag);
    packet.footer = static_cast<std::uint16_t>(portTag);
    packet.payload.assign(bytes.begin() + long(at), bytes.begin() + long(at + count));
    if (frame != nullptr && gapOf(portTag) > 0 && at + count == bytes.size()) {
      *frame = OpenFrame{std::move(packet), pollMicros};
    } else {
      queue(std::move(packet));
    }
  }
  release();
}

void FrameJoiner::addEvent(SerialPacket event) {
  if (std::optional<OpenFrame>* frame = frameOf(event.footer); frame != nullptr) close(*frame);
  queue(std::move(event));
  release();
}

void FrameJoiner::pollDone(std::int64_t pollMicros) {
  for (std::size_t port = 0; port < open_.size(); ++port) {
    if (open_[port] && pollMicros - open_[port]->lastPartMicros >= gapMicros_[port]) {
      close(open_[port]);
    }
  }
  release();
}

void FrameJoiner::finish() {
  for (auto& frame : open_) close(frame);
  release();
}

void FrameJoiner::close(std::optional<OpenFrame>& frame) {
  if (!frame) return;
  SerialPacket packet = std::move(frame->packet);
  frame.reset();
  queue(std::move(packet));
}

void FrameJoiner::queue(SerialPacket packet) {
  const auto later = std::upper_bound(completed_.begin(), completed_.end(), packet, before);
  completed_.insert(later, std::move(packet));
}

void FrameJoiner::release() {
  const SerialPacket* earliestOpen = nullptr;
  for (const auto& frame : open_) {
    if (frame && (earliestOpen == nullptr || before(frame->packet, *earliestOpen))) {
      earliestOpen = &frame->packet;
    }
  }
  // An open frame's packet goes before every later packet once complete, so
  // only what comes before it may go now.
  while (!completed_.empty() &&
         (earliestOpen == nullptr || before(completed_.front(), *earliestOpen))) {
    ready_.push_back(std::move(completed_.front()));
    completed_.pop_front();
  }
}

}  // namespace pcap_export
