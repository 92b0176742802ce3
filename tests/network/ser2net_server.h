// A real ser2net serving a pseudo-terminal on a free port of the loopback
// address, with a YAML configuration of the test's own. The test holds the
// pseudo-terminal's master end: what it writes there is what the line
// "receives", and termios read on it are the settings ser2net gave the port.
#pragma once

#include <fcntl.h>
#include <netinet/in.h>
#include <pty.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace network_test {

namespace fs = std::filesystem;

// A port nothing listens on now: bound, read back and let go.
inline std::uint16_t freeLocalPort() {
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  close(probe);
  return ntohs(address.sin_port);
}

inline bool acceptsConnections(std::uint16_t port) {
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  const bool accepted = connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(probe);
  return accepted;
}

class PtyMaster {
 public:
  PtyMaster() {
    int slave = -1;
    char name[128] = {};
    if (openpty(&master_, &slave, name, nullptr, nullptr) != 0) return;
    slavePath_ = name;
    close(slave);  // ser2net opens the port side by its name
  }
  ~PtyMaster() {
    if (master_ >= 0) close(master_);
  }
  PtyMaster(const PtyMaster&) = delete;
  PtyMaster& operator=(const PtyMaster&) = delete;

  bool ok() const { return master_ >= 0; }
  const std::string& slavePath() const { return slavePath_; }
  bool send(const std::vector<std::uint8_t>& bytes) const {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }
  termios settings() const {
    termios tio{};
    tcgetattr(master_, &tio);
    return tio;
  }

 private:
  int master_ = -1;
  std::string slavePath_;
};

class Ser2netServer {
 public:
  enum class Kind { kComPort, kRaw };

  // Serves device on a free port; folder keeps the configuration and logs.
  Ser2netServer(const std::string& device, Kind kind, const fs::path& folder)
      : port_(freeLocalPort()), folder_(folder) {
    std::ofstream config(folder / "ser2net.yaml");
    config << "connection: &line1\n"
           << "  accepter: " << (kind == Kind::kComPort ? "telnet(rfc2217),tcp," : "tcp,")
           << "127.0.0.1," << port_ << "\n"
           << "  connector: serialdev," << device << ",9600n81,local\n"
           << "  options:\n"
           << "    kickolduser: true\n";
  }
  ~Ser2netServer() { stop(); }
  Ser2netServer(const Ser2netServer&) = delete;
  Ser2netServer& operator=(const Ser2netServer&) = delete;

  std::uint16_t port() const { return port_; }

  // Starts it in the foreground and waits until it takes connections.
  bool start() {
    pid_ = fork();
    if (pid_ == 0) {
      const std::string log = (folder_ / "ser2net.log").string();
      const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      dup2(out, 1);
      dup2(out, 2);
      const std::string config = (folder_ / "ser2net.yaml").string();
      const std::string pidFile = (folder_ / "ser2net.pid").string();
      execlp("ser2net", "ser2net", "-n", "-c", config.c_str(), "-P", pidFile.c_str(), nullptr);
      _exit(127);
    }
    for (int attempt = 0; attempt < 200; ++attempt) {
      if (acceptsConnections(port_)) return true;
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
  }

  void stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  std::uint16_t port_;
  fs::path folder_;
  pid_t pid_ = -1;
};

inline std::vector<std::uint8_t> everyByteValueWithRunsOf0xFF(std::size_t size) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(size);
  for (std::size_t i = 0; bytes.size() < size; ++i) {
    // Each 1024 bytes: the 256 values once, then a run of 0xFF of 1 to 40,
    // then counting on.
    const std::size_t block = i % 1024;
    if (block < 256) {
      bytes.push_back(static_cast<std::uint8_t>(block));
    } else if (block < 256 + 1 + (i / 1024) % 40) {
      bytes.push_back(0xFF);
    } else {
      bytes.push_back(static_cast<std::uint8_t>(i * 7));
    }
  }
  return bytes;
}

}  // namespace network_test
