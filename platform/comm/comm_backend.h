// The seam through which the system reaches serial devices. A backend opens a
// device exclusively, configures it, reads what it has queued without ever
// blocking, and closes it. One backend is installed per process (the real
// devices in the monitor, a scripted fake in tests).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/comm/comm_types.h"

namespace platform {

// Parity codes of the line state, as the settings tables give them.
inline constexpr std::uint8_t kNoParity = 0;
inline constexpr std::uint8_t kOddParity = 1;
inline constexpr std::uint8_t kEvenParity = 2;
inline constexpr std::uint8_t kMarkParity = 3;
inline constexpr std::uint8_t kSpaceParity = 4;

// Stop-bit codes of the line state.
inline constexpr std::uint8_t kOneStopBit = 0;
inline constexpr std::uint8_t kOneAndHalfStopBits = 1;
inline constexpr std::uint8_t kTwoStopBits = 2;

// The line parameters of an open device. Whatever else the device has
// (flow control, special characters) stays with the backend and is left as
// the device reported it.
struct LineState {
  std::uint32_t baudRate = 0;
  std::uint8_t byteSize = 8;
  std::uint8_t parity = kNoParity;
  std::uint8_t stopBits = kOneStopBit;
  bool binary = true;        // no end-of-file character, bytes pass unchanged
  bool parityCheck = false;  // received bytes are checked against the parity
  bool operator==(const LineState&) const = default;
};

// Line errors that the driver counted on a device since it was opened. A count
// the driver cannot give (a pseudo-terminal has no line to count on) is
// unknown, which is not the same as zero.
struct LineErrorCounts {
  std::optional<std::uint64_t> parity;
  std::optional<std::uint64_t> framing;
  std::optional<std::uint64_t> overrun;        // the receiver's own overrun
  std::optional<std::uint64_t> bufferOverrun;  // the driver's input queue overflowed
  std::optional<std::uint64_t> breaks;
  // Each count above 0 is a lower bound: the driver tells which errors
  // happened since it was last asked, not how many (Windows). A 0 is exact.
  bool atLeast = false;
  bool operator==(const LineErrorCounts&) const = default;
};

class CommBackend {
 public:
  virtual ~CommBackend() = default;

  // Opens the device at path for reading and writing, exclusively: a device
  // that is held already, by this process or another, is refused.
  // Returns kInvalidCommHandle on failure.
  virtual CommHandle open(const std::string& path) = 0;

  // Sizes of the driver's queues, in bytes.
  virtual bool setQueues(CommHandle handle, std::uint32_t inputBytes,
                         std::uint32_t outputBytes) = 0;
  // Drops whatever the driver holds in both directions.
  virtual bool purge(CommHandle handle) = 0;
  // Makes every read complete at once with the bytes already received.
  virtual bool setReadsReturnAtOnce(CommHandle handle) = 0;

  virtual std::optional<LineState> lineState(CommHandle handle) = 0;
  // Fails when the device rejects any of the parameters.
  virtual bool setLineState(CommHandle handle, const LineState& state) = 0;

  // Reads at most maxBytes without blocking: the count read, 0 when nothing
  // is queued, -1 on failure (the device went away, or the handle is not open).
  virtual int read(CommHandle handle, std::uint8_t* buffer, int maxBytes) = 0;

  // Releases the device. Fails only for a handle that is not open; the
  // handle is never valid afterwards.
  virtual bool close(CommHandle handle) = 0;

  // Why the last open or setLineState failed, in words a user can act on
  // (the device tried, the system's reason, what to do). Empty after success.
  virtual std::string lastFailureReason() const { return {}; }

  // What an open handle's name stands for, such as "/dev/ttyUSB0" (shown
  // beside the port's name); empty when the name is the device.
  virtual std::string deviceDescription(CommHandle /*handle*/) const { return {}; }

  // The line errors counted on an open device since it was opened.
  virtual LineErrorCounts lineErrors(CommHandle /*handle*/) { return {}; }

  // Bytes received with a parity or framing error, and breaks, since the
  // device was opened, counted from the marks the driver puts in the data:
  // exact whatever lineErrors says; unknown where the backend sees no marks.
  virtual std::optional<std::uint64_t> damagedBytes(CommHandle /*handle*/) { return {}; }

  // Whether the device behind an open handle is there now. A device that
  // went away (an adapter pulled out) keeps its handle: reads fail until the
  // backend finds the device back and reopens it with the same settings.
  virtual bool devicePresent(CommHandle /*handle*/) const { return true; }
};

// The backend in use; installed at start-up or by a test fixture.
CommBackend& commBackend();
void installCommBackend(CommBackend* backend);

}  // namespace platform
