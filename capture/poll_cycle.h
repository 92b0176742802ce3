// The connected part of one timer tick: read every port in use, append what
// arrived as records, and bring the view to the newest record. It works on
// MonitorState and the capture store; the ports, the redraw and the stop on
// a full store come from the host, so the steps run without a window.
#pragma once

#include <cstdint>

class PollCycleHost {
 public:
  virtual ~PollCycleHost() = default;
  // Reads what the port has queued, at most 256 bytes; returns the count
  // or -1 when the read failed.
  virtual int readPort(int port, std::uint8_t* buffer) = 0;
  virtual void redrawCapture() = 0;
  // The store is full: the host ends the capture and tells the user.
  virtual void stopOnFullStore() = 0;
};

// Does nothing while not connected. Otherwise: stops on a store that is
// already full; else numbers the tick, drains port A and then port B (unless
// it is disabled) in chunks of 256 bytes, follows the newest record, and
// stops when records of this tick did not fit.
void pollConnectedPorts(PollCycleHost& host);
