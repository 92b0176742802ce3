// The one process-wide state record: capture counters, view position,
// control flags, numeric settings and the per-port state of the serial ports.
// Every field is zero (or null) at process start.
#pragma once

#include <cstdint>

#include "platform/comm/comm_types.h"

// What a port has done since it was last opened, for the statistics lines.
// Plain bytes only, so MonitorState stays one flat record.
struct PortRunCounters {
  std::uint64_t bytesReceived = 0;
  std::uint64_t recordsCaptured = 0;
  std::uint32_t timesLost = 0;
  std::uint32_t timesBack = 0;
  std::int32_t deviceAway = 0;  // 1 from a lost device until it is back
  char name[64] = {};           // the port's name as opened, such as "COM3"
};

struct MonitorState {
  std::int32_t redrawPending = 0;
  std::uint8_t* writePos = nullptr;
  std::uint8_t* bufferStart = nullptr;
  std::uint32_t timerId = 0;
  std::int32_t newData = 0;
  std::int32_t pollSeq = 0;
  std::int32_t caretRow = 0;
  std::int32_t caretCol = 0;
  std::int32_t lastChunkLen = 0;
  std::int32_t recordCount = 0;
  std::int32_t topRow = 0;
  std::int32_t memSizeMB = 0;
  std::int32_t memSizeMBLoaded = 0;
  std::int32_t portBDisabled = 0;
  std::int32_t pollTimeMs = 0;
  std::int32_t connected = 0;
  std::int32_t timerRestartPending = 0;

  // Set when an append could not place a record (buffer or index full), so
  // the poll cycle can stop the capture and tell the user instead of losing
  // data silently. Cleared when the store is reset.
  std::int32_t storeOverflowed = 0;

  // 1 while the "store full" notice is on screen. Ticks keep arriving inside
  // its message loop; they must not open a second notice.
  std::int32_t bufferFullNoticeOpen = 0;

  // Per-port state of the serial ports; index 0 is port A, 1 is port B.
  // The encoded parts each hold one table index already shifted into its
  // place in the LineSettingsWord.
  std::int32_t baudPart[2] = {0, 0};
  std::int32_t dataBitsPart[2] = {0, 0};
  std::int32_t stopBitsPart[2] = {0, 0};
  std::int32_t parityPart[2] = {0, 0};
  // The rate a baud-rate text spells when it matches no table entry but is a
  // typed rate (50 to 4,000,000), else 0; read with a baud index one past
  // the table.
  std::uint32_t typedBaudRate[2] = {0, 0};
  platform::CommHandle portHandle[2] = {platform::kInvalidCommHandle, platform::kInvalidCommHandle};
  PortRunCounters portRun[2] = {};
};

extern MonitorState monitorState;
