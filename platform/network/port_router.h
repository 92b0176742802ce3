// The comm backend of a program that reaches both kinds of line: names of
// local ports go to the serial backend, remote lines to the network one. A
// remote line is named by its address ("rfc2217://HOST:PORT",
// "tcp://HOST:PORT"), or, since a port name in Setup has at most 8
// characters, by an entry of the ports folder: a small text file of that
// name whose first line is the address. (A file rather than a symbolic
// link: Windows lets only administrators make links, and a link to a text
// that is no path would dangle for every other tool.)
#pragma once

#include <map>
#include <string>

#include "platform/comm/comm_backend.h"

namespace platform::network {

class PortRouter final : public CommBackend {
 public:
  PortRouter(CommBackend& serial, CommBackend& remote, std::string portsFolder);

  CommHandle open(const std::string& path) override;
  bool setQueues(CommHandle handle, std::uint32_t inputBytes, std::uint32_t outputBytes) override;
  bool purge(CommHandle handle) override;
  bool setReadsReturnAtOnce(CommHandle handle) override;
  std::optional<LineState> lineState(CommHandle handle) override;
  bool setLineState(CommHandle handle, const LineState& state) override;
  int read(CommHandle handle, std::uint8_t* buffer, int maxBytes) override;
  bool close(CommHandle handle) override;
  std::string lastFailureReason() const override { return lastFailureReason_; }
  // A remote line named through the ports folder shows its address.
  std::string deviceDescription(CommHandle handle) const override;
  LineErrorCounts lineErrors(CommHandle handle) override;
  std::optional<std::uint64_t> damagedBytes(CommHandle handle) override;
  bool devicePresent(CommHandle handle) const override;

 private:
  struct Route {
    CommBackend* backend = nullptr;
    std::string shownAs;  // the address behind a ports-folder name
    std::string name;     // that name, which heads the line's failures
  };

  CommHandle openRemote(const std::string& name, const std::string& address);
  CommBackend* backendOf(CommHandle handle) const;

  CommBackend& serial_;
  CommBackend& remote_;
  std::string portsFolder_;
  std::map<CommHandle, Route> routes_;
  std::string lastFailureReason_;
};

}  // namespace platform::network
