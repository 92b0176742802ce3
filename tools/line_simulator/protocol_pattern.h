#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "tools/line_simulator/byte_stream.h"
#include "tools/line_simulator/prng.h"

namespace linesim {

// Which exchanges a conversation holds: the mixed one, or Modbus RTU register reads alone.
enum class ExchangeKinds { mixed, modbusRtu };

// One request from the controller on the first line of a pair and the device's reply on the
// second.
struct Exchange {
  std::vector<std::uint8_t> request;
  std::vector<std::uint8_t> reply;
};

// A field-bus conversation that reads well in a hex dump: in turn an ASCII register read
// ("AT+READ=7,12\r\n" answered by "+READ: 7,12,4711\r\nOK\r\n", or "ERROR\r\n" for the few
// registers above 95), a binary read of holding registers framed with a CRC-16 (address,
// function 3, start register, count; the reply carries address, 3, byte count, the registers
// and its own CRC), and an ASCII status query ("AT+STAT?\r\n" answered with temperature,
// supply voltage and humidity). The values come from a generator seeded per pair, so the
// conversation can be regenerated. With ExchangeKinds::modbusRtu every exchange is the binary
// read, a Modbus RTU "Read Holding Registers" request and its reply.
class ProtocolScript {
 public:
  ProtocolScript(std::uint64_t seed, std::size_t pairIndex,
                 ExchangeKinds kinds = ExchangeKinds::mixed);
  Exchange next();

 private:
  Exchange asciiRead();
  Exchange binaryRead();
  Exchange statusQuery();

  Xorshift64Star prng_;
  ExchangeKinds kinds_;
  std::uint64_t exchangeCount_ = 0;
};

// The CRC-16 of the binary frames: reflected polynomial 0xA001, initial value 0xFFFF, sent low
// byte first.
std::uint16_t frameCrc16(std::span<const std::uint8_t> bytes);

// One side of a pair's conversation as a continuous stream: the requests one after another
// (line 2k) or the replies (line 2k+1). Pauses between exchanges carry no bytes.
class ProtocolSideStream : public ByteStream {
 public:
  ProtocolSideStream(std::uint64_t seed, std::size_t lineIndex,
                     ExchangeKinds kinds = ExchangeKinds::mixed);
  void fill(std::span<std::uint8_t> out) override;

 private:
  ProtocolScript script_;
  bool replySide_;
  std::vector<std::uint8_t> frame_;
  std::size_t frameOffset_ = 0;
};

}  // namespace linesim
