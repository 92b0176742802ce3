// The test's side of the line helper (pty_line.py): the helper's control
// folder comes from KORVANE_LINE_CONTROL, a Linux path that Wine shows on
// drive Z:.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

class LineControl {
 public:
  LineControl() {
    const char* folder = std::getenv("KORVANE_LINE_CONTROL");
    if (folder != nullptr) folder_ = std::string(folder[0] == '/' ? "Z:" : "") + folder;
  }
  bool available() const { return !folder_.empty() && std::filesystem::exists(folder_); }

  // Carries out one command of the helper; false when it did not answer.
  bool request(const std::string& command) {
    // Numbered across the whole run: an answer to an earlier test's request
    // must not pass for this one's.
    static int sequence = 0;
    const std::string id = std::to_string(++sequence);
    const std::filesystem::path written = std::filesystem::path(folder_) / ("writing-" + id);
    std::ofstream(written) << command << "\n";
    std::filesystem::rename(written, std::filesystem::path(folder_) / ("request-" + id));
    const auto done = std::filesystem::path(folder_) / ("done-" + id);
    for (int wait = 0; wait < 1000; ++wait) {
      if (std::filesystem::exists(done)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  bool send(int count, int chunk, int paceMs) {
    return request("send " + std::to_string(count) + " " + std::to_string(chunk) + " " +
                   std::to_string(paceMs));
  }
  // The bytes send writes: byte i is i % 251, so a lost or repeated byte shows.
  static std::vector<std::uint8_t> pattern(int count) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
      bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i % 251);
    return bytes;
  }

 private:
  std::string folder_;
};
