#include "tools/pcap/pcap_file_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/process/raw_file.h"

namespace pcap_export {

namespace io = platform::process;

namespace {

constexpr auto kSyncInterval = std::chrono::seconds(1);

std::string systemError(int error) { return std::strerror(error); }

}  // namespace

PcapFileWriter::~PcapFileWriter() { close(); }

std::string PcapFileWriter::checkUsable(const std::string& path) {
  std::error_code error;
  if (std::filesystem::exists(path, error)) return "the file exists; choose a new name";
  return {};
}

std::string PcapFileWriter::create(const std::string& path) {
  fd_ = io::createNew(path);
  if (fd_ < 0) return systemError(errno);
  owned_ = true;
  path_ = path;
  lastSync_ = std::chrono::steady_clock::now();
  std::vector<std::uint8_t> header;
  appendFileHeader(header);
  return writeBytes(header);
}

std::string PcapFileWriter::attach(int fd) {
  fd_ = fd;
  owned_ = false;
  std::vector<std::uint8_t> header;
  appendFileHeader(header);
  return writeBytes(header);
}

std::string PcapFileWriter::write(const std::vector<SerialPacket>& packets) {
  if (packets.empty()) return {};
  buffer_.clear();
  for (const SerialPacket& packet : packets) appendPacket(buffer_, packet);
  std::string error = writeBytes(buffer_);
  if (error.empty()) packets_ += packets.size();
  return error;
}

std::string PcapFileWriter::writeBytes(const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const long long wrote = io::writeSome(fd_, bytes.data() + done, bytes.size() - done);
    if (wrote > 0) {
      done += static_cast<std::size_t>(wrote);
      continue;
    }
    const int error = wrote < 0 ? errno : ENOSPC;
    // A cut packet would end the file inside one: analysers stop there
    // with an error, so it goes back to the last whole packet.
    if (done > 0 && owned_ && !io::truncateTo(fd_, bytes_)) {
      return systemError(error) +
             ", and cutting the file back to its last whole packet failed: " + systemError(errno);
    }
    return systemError(error);
  }
  bytes_ += bytes.size();
  unsynced_ = true;
  return {};
}

std::string PcapFileWriter::syncIfDue(std::chrono::steady_clock::time_point now, bool force) {
  if (!owned_ || !unsynced_ || (!force && now - lastSync_ < kSyncInterval)) return {};
  lastSync_ = now;
  unsynced_ = false;
  if (!io::flushToDisk(fd_)) return systemError(errno);
  return {};
}

void PcapFileWriter::discard() {
  if (!owned_) return;
  close();
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

std::string PcapFileWriter::close() {
  if (fd_ < 0 || !owned_) {
    fd_ = -1;
    return {};
  }
  const bool closed = io::closeFile(fd_);
  fd_ = -1;
  return closed ? std::string{} : systemError(errno);
}

}  // namespace pcap_export
