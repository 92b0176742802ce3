// A pcap file written as a stream: the file header first, then whole packets
// as they complete, made durable once a second. A write that fails part way
// cuts the file back to its last whole packet, so an analyser always reads
// it to the end.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/pcap/serial_packet.h"

namespace pcap_export {

class PcapFileWriter {
 public:
  PcapFileWriter() = default;
  ~PcapFileWriter();
  PcapFileWriter(const PcapFileWriter&) = delete;
  PcapFileWriter& operator=(const PcapFileWriter&) = delete;

  // Why path cannot be a new pcap file (it exists), or empty.
  static std::string checkUsable(const std::string& path);

  // Creates the file (it must not exist) and writes the file header; the
  // reason on failure.
  std::string create(const std::string& path);
  // Writes to a descriptor opened elsewhere (standard output), which is
  // neither cut back nor removed.
  std::string attach(int fd);

  // Writes packets whole; on failure the file is cut back to the packets
  // written before and the reason is returned.
  std::string write(const std::vector<SerialPacket>& packets);

  // Makes what was written durable when a second has passed since the last
  // time (or always, with force); the reason when that failed.
  std::string syncIfDue(std::chrono::steady_clock::time_point now, bool force = false);

  // Closes and deletes the file this writer created.
  void discard();
  // Closes the file; the reason when that failed.
  std::string close();

  const std::string& path() const { return path_; }
  std::uint64_t bytes() const { return bytes_; }
  std::uint64_t packets() const { return packets_; }

 private:
  std::string writeBytes(const std::vector<std::uint8_t>& bytes);

  int fd_ = -1;
  bool owned_ = false;  // created here: may be cut back, synced and removed
  std::string path_;
  std::uint64_t bytes_ = 0;  // whole packets and the header
  std::uint64_t packets_ = 0;
  bool unsynced_ = false;
  std::chrono::steady_clock::time_point lastSync_{};
  std::vector<std::uint8_t> buffer_;
};

}  // namespace pcap_export
