#pragma once

#include <filesystem>
#include <string>

namespace linesim {

// A port name in the ports folder: a symbolic link NAME -> /dev/pts/N that the monitor
// resolves before any device path. Created on construction (the folder too), removed on
// destruction, but only while it still points at this simulator's device, so a link someone
// else made in the meantime is left alone.
class PortLink {
 public:
  // A name already taken by a link to a missing device (left by a killed run) is taken over;
  // a link to an existing device only with `replace`; anything that is not a link never.
  // Throws std::runtime_error when the name cannot be had.
  PortLink(const std::filesystem::path& dir, const std::string& name, const std::string& target,
           bool replace);
  ~PortLink();
  PortLink(const PortLink&) = delete;
  PortLink& operator=(const PortLink&) = delete;

  const std::filesystem::path& path() const { return path_; }
  void remove();

 private:
  std::filesystem::path path_;
  std::string target_;
  bool linked_ = false;
};

}  // namespace linesim
