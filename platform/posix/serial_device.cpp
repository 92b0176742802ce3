#include "platform/posix/serial_device.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>
#include <vector>

#include "platform/posix/device_holders.h"
#include "platform/posix/device_names.h"
#include "platform/posix/failure_reason.h"
#include "platform/posix/line_error_tally.h"
#include "platform/posix/line_speed.h"
#include "platform/posix/parity_marks.h"
#include "platform/posix/terminal_settings.h"
#include "platform/posix/termios_line.h"

namespace platform::posix {
namespace {

// Whether a character device is a terminal, decided before it is opened:
// opening some devices (a watchdog, for one) acts on the hardware, so only
// terminal devices are ever opened. Unix98 pseudo-terminal slaves have no
// sysfs entry; every other terminal is in the tty class. Without sysfs the
// isatty check after the open is what remains.
bool isTerminalDevice(dev_t device) {
  const unsigned major = ::major(device);
  if (major >= 136 && major <= 143) return true;
  struct stat sysfs {};
  if (stat("/sys/dev/char", &sysfs) != 0) return true;
  const std::string link = "/sys/dev/char/" + std::to_string(major) + ":" +
                           std::to_string(::minor(device)) + "/subsystem";
  char target[PATH_MAX];
  const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
  if (length <= 0) return false;
  const std::string_view path(target, static_cast<std::size_t>(length));
  return path.ends_with("/tty");
}

// Errors of a read that mean the device is gone, not just empty.
bool deviceGone(int error) {
  return error == EIO || error == ENXIO || error == ENODEV || error == ENOENT || error == EPIPE;
}

std::string groupOf(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return {};
  std::vector<char> buffer(16384);
  group entry{};
  group* found = nullptr;
  if (getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 ||
      found == nullptr) {
    return std::to_string(info.st_gid);
  }
  return found->gr_name;
}

// Gives up an exclusively held device: its exclusive flag (which on a
// pseudo-terminal would outlive the close) and its lock.
void release(int fd) {
  ioctl(fd, TIOCNXCL);
  flock(fd, LOCK_UN);
}

// Puts the device back as it was found and gives it up, in an order that
// never lets it send what it receives: what is queued is dropped while the
// monitor's settings (no echo) still hold; the found settings come back
// while the device is still exclusively this process's; whatever an echo
// they turn on queued in the moment before the close is dropped before the
// driver transmits it; only then are the exclusive flag and the lock given
// up and the descriptor closed by the caller.
void giveBack(int fd, const SavedTerminalSettings& settingsAtOpen) {
  tcflush(fd, TCIOFLUSH);
  settingsAtOpen.restore(fd);
  tcflush(fd, TCOFLUSH);
  release(fd);
}

struct LineOutcome {
  bool set = false;
  int error = 0;                              // of a refused step
  std::optional<std::uint32_t> rejectedRate;  // a rate the driver did not take
  std::optional<std::uint32_t> takenRate;
};

LineOutcome refused(int error, std::optional<std::uint32_t> rejectedRate = std::nullopt,
                    std::optional<std::uint32_t> takenRate = std::nullopt) {
  LineOutcome outcome;
  outcome.error = error;
  outcome.rejectedRate = rejectedRate;
  outcome.takenRate = takenRate;
  return outcome;
}

LineOutcome setLine(int fd, const LineState& state) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return refused(errno);
  if (!applyLineState(tio, state)) return refused(EINVAL);
  if (tcsetattr(fd, TCSANOW, &tio) != 0) return refused(errno);
  // Rates without a B-constant go through termios2, after the rest is set.
  if (!speedConstant(state.baudRate) && !setLineSpeed(fd, state.baudRate)) {
    return refused(errno, state.baudRate);
  }
  const auto taken = lineSpeed(fd);
  if (!taken || !rateTaken(state.baudRate, *taken)) return refused(0, state.baudRate, taken);
  LineOutcome outcome;
  outcome.set = true;
  return outcome;
}

}  // namespace

struct SerialDevices::Port {
  std::string name;         // prefix removed
  ResolvedName resolved;    // as of the last open
  std::string resolution;   // how the name came to its device, for a user
  std::string shownDevice;  // what the name stands for now
  bool present = true;
  std::optional<LineState> lineState;    // as the system last set it
  SavedTerminalSettings settingsAtOpen;  // given back at close
  LineErrorTally errors;
  ParityMarkStripper marks;  // carries a mark cut between two reads
  std::chrono::steady_clock::time_point nextAttempt;
};

struct SerialDevices::Attempt {
  std::string name;
  std::optional<ResolvedName> resolved;
  int fd = -1;
  int error = 0;
  std::vector<DeviceHolder> holders;  // other processes found holding the device
  SavedTerminalSettings settingsAtOpen;
};

SerialDevices::SerialDevices(std::string portsFolder, Clock clock)
    : portsFolder_(std::move(portsFolder)), clock_(std::move(clock)) {
  if (!clock_) clock_ = [] { return std::chrono::steady_clock::now(); };
  standIn_ = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}

SerialDevices::~SerialDevices() {
  while (!ports_.empty()) close(ports_.begin()->first);
  if (standIn_ >= 0) ::close(standIn_);
}

SerialDevices::Port* SerialDevices::presentPort(CommHandle handle) {
  const auto found = ports_.find(handle);
  return found != ports_.end() && found->second->present ? found->second.get() : nullptr;
}

const SerialDevices::Port* SerialDevices::findPort(CommHandle handle) const {
  const auto found = ports_.find(handle);
  return found != ports_.end() ? found->second.get() : nullptr;
}

SerialDevices::Attempt SerialDevices::openDevice(const std::string& name) const {
  Attempt attempt;
  attempt.name = name;
  attempt.resolved = resolveDeviceName(name, portsFolder_);
  auto fail = [&](int error) {
    attempt.error = error;
    return std::move(attempt);
  };
  if (!attempt.resolved) return fail(ENOENT);
  const std::string& device = attempt.resolved->path;
  struct stat info {};
  if (stat(device.c_str(), &info) != 0) return fail(errno);
  if (!S_ISCHR(info.st_mode) || !isTerminalDevice(info.st_rdev)) return fail(ENOTTY);
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail(errno);
  auto refuse = [&](int error, bool exclusive) {
    if (exclusive) release(fd);
    ::close(fd);
    return fail(error);
  };
  if (!isatty(fd)) return refuse(ENOTTY, false);
  // The lock refuses a second open even to root, whom TIOCEXCL lets pass.
  // It is taken before TIOCEXCL so that a refused open leaves the holder's
  // exclusive flag alone.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) return refuse(errno, false);
  // Neither stops a reader that opened the device before (a forgotten cat,
  // a terminal program): it would take bytes away from the capture unseen.
  attempt.holders = otherDeviceHolders(info.st_rdev, static_cast<long>(getpid()));
  if (!attempt.holders.empty()) {
    flock(fd, LOCK_UN);
    ::close(fd);
    return fail(EBUSY);
  }
  ioctl(fd, TIOCEXCL);
  if (!attempt.settingsAtOpen.save(fd)) return refuse(errno, true);
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return refuse(errno, true);
  makeRawForMonitor(tio);
  if (tcsetattr(fd, TCSANOW, &tio) != 0) return refuse(errno, true);
  tcflush(fd, TCIOFLUSH);
  attempt.fd = fd;
  return attempt;
}

DeviceFailure SerialDevices::failureOf(const std::string& name) const {
  DeviceFailure failure;
  failure.name = name;
  failure.portsFolder = portsFolder_;
  failure.ownPid = static_cast<long>(getpid());
  return failure;
}

void SerialDevices::reportOpenFailure(const Attempt& attempt) {
  lastOpenError_ = attempt.error;
  DeviceFailure failure = failureOf(attempt.name);
  failure.error = attempt.error;
  if (attempt.resolved) {
    failure.resolution = describeResolution(attempt.name, *attempt.resolved, portsFolder_);
    const std::string& device = attempt.resolved->path;
    if (!attempt.holders.empty()) {
      failure.holders = attempt.holders;
    } else if (attempt.error == EBUSY || attempt.error == EWOULDBLOCK) {
      failure.holders = findDeviceHolders(device);
    }
    if (attempt.error == EACCES || attempt.error == EPERM) failure.group = groupOf(device);
  }
  lastFailureReason_ = describeDeviceFailure(failure);
}

CommHandle SerialDevices::open(const std::string& path) {
  Attempt attempt = openDevice(std::string(stripDevicePrefix(path)));
  if (attempt.fd < 0) {
    reportOpenFailure(attempt);
    return kInvalidCommHandle;
  }
  auto port = std::make_unique<Port>();
  port->name = attempt.name;
  port->resolved = *attempt.resolved;
  port->resolution = describeResolution(attempt.name, port->resolved, portsFolder_);
  port->shownDevice = deviceShownFor(port->resolved);
  port->settingsAtOpen = attempt.settingsAtOpen;
  port->errors.startPeriod(readDriverErrorCounters(attempt.fd));
  ports_[attempt.fd] = std::move(port);
  lastOpenError_ = 0;
  lastFailureReason_.clear();
  return attempt.fd;
}

bool SerialDevices::setQueues(CommHandle handle, std::uint32_t /*inputBytes*/,
                              std::uint32_t /*outputBytes*/) {
  // The tty layer sizes its own buffers (a pseudo-terminal about 20 KB).
  return presentPort(handle) != nullptr;
}

bool SerialDevices::purge(CommHandle handle) {
  return presentPort(handle) != nullptr && tcflush(static_cast<int>(handle), TCIOFLUSH) == 0;
}

bool SerialDevices::setReadsReturnAtOnce(CommHandle handle) {
  if (presentPort(handle) == nullptr) return false;
  const int fd = static_cast<int>(handle);
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return false;
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  return tcsetattr(fd, TCSANOW, &tio) == 0;
}

std::optional<LineState> SerialDevices::lineState(CommHandle handle) {
  const Port* port = presentPort(handle);
  if (port == nullptr) return std::nullopt;
  const int fd = static_cast<int>(handle);
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return std::nullopt;
  LineState state = lineStateOf(tio);
  state.baudRate = lineSpeed(fd).value_or(0);
  state.parityCheck = port->lineState && port->lineState->parityCheck;
  return state;
}

bool SerialDevices::setLineState(CommHandle handle, const LineState& state) {
  const auto found = ports_.find(handle);
  if (found == ports_.end()) return false;
  Port& port = *found->second;
  DeviceFailure failure = failureOf(port.name);
  failure.resolution = port.resolution;
  if (!port.present) {
    failure.error = ENODEV;
    lastFailureReason_ = describeDeviceFailure(failure);
    return false;
  }
  const LineOutcome outcome = setLine(static_cast<int>(handle), state);
  if (!outcome.set) {
    failure.error = outcome.error;
    failure.rejectedRate = outcome.rejectedRate;
    failure.takenRate = outcome.takenRate;
    lastFailureReason_ = describeDeviceFailure(failure);
    return false;
  }
  port.lineState = state;
  lastFailureReason_.clear();
  return true;
}

void SerialDevices::loseDevice(CommHandle handle, Port& port) {
  const int fd = static_cast<int>(handle);
  port.errors.update(readDriverErrorCounters(fd));
  giveBack(fd, port.settingsAtOpen);
  // The stand-in takes the number over, closing the dead descriptor; without
  // one the dead descriptor keeps the number until the device is back.
  if (standIn_ >= 0) dup3(standIn_, fd, O_CLOEXEC);
  port.present = false;
  port.nextAttempt = clock_() + kReopenInterval;
}

bool SerialDevices::tryReopen(CommHandle handle, Port& port) {
  const auto now = clock_();
  if (now < port.nextAttempt) return false;
  port.nextAttempt = now + kReopenInterval;
  // The name is resolved again: a link in the ports folder may lead to a new
  // device now.
  Attempt attempt = openDevice(port.name);
  if (attempt.fd < 0) return false;
  auto giveUp = [&] {
    giveBack(attempt.fd, attempt.settingsAtOpen);
    ::close(attempt.fd);
    return false;
  };
  if (port.lineState && !setLine(attempt.fd, *port.lineState).set) return giveUp();
  if (dup3(attempt.fd, static_cast<int>(handle), O_CLOEXEC) < 0) return giveUp();
  ::close(attempt.fd);
  port.resolved = *attempt.resolved;
  port.resolution = describeResolution(port.name, port.resolved, portsFolder_);
  port.shownDevice = deviceShownFor(port.resolved);
  port.settingsAtOpen = attempt.settingsAtOpen;
  port.errors.startPeriod(readDriverErrorCounters(static_cast<int>(handle)));
  port.marks.restart();
  port.present = true;
  return true;
}

int SerialDevices::read(CommHandle handle, std::uint8_t* buffer, int maxBytes) {
  const auto found = ports_.find(handle);
  if (found == ports_.end() || maxBytes < 0) return -1;
  Port& port = *found->second;
  if (!port.present && !tryReopen(handle, port)) return -1;
  if (maxBytes == 0) return 0;
  // The marks come out in place, leaving fewer bytes than were read (none,
  // while a mark read so far waits for its end). A read that came back full
  // is topped up, so that a short result still means the queue is empty, as
  // the poll cycle takes it; never more than asked for.
  const int fd = static_cast<int>(handle);
  int delivered = 0;
  while (delivered < maxBytes) {
    const auto room = static_cast<std::size_t>(maxBytes - delivered);
    const ssize_t count = ::read(fd, buffer + delivered, room);
    if (count > 0) {
      delivered += static_cast<int>(port.marks.strip(
          buffer + delivered, static_cast<std::size_t>(count), buffer + delivered));
      if (static_cast<std::size_t>(count) < room) break;
      continue;
    }
    const int error = count < 0 ? errno : 0;
    if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR || delivered > 0) break;
    // With VMIN 1 an empty queue is EAGAIN; a read of 0 is a hang-up, told
    // at the next read when bytes came before it.
    if (count == 0 || deviceGone(error)) loseDevice(handle, port);
    return -1;
  }
  return delivered;
}

bool SerialDevices::close(CommHandle handle) {
  const auto found = ports_.find(handle);
  if (found == ports_.end()) return false;
  const int fd = static_cast<int>(handle);
  if (found->second->present) giveBack(fd, found->second->settingsAtOpen);
  ports_.erase(found);
  // The descriptor is released even when close reports an error, so the
  // handle is gone either way and must not be closed again.
  ::close(fd);
  return true;
}

std::string SerialDevices::deviceDescription(CommHandle handle) const {
  const Port* port = findPort(handle);
  return port != nullptr ? port->shownDevice : std::string();
}

LineErrorCounts SerialDevices::lineErrors(CommHandle handle) {
  const auto found = ports_.find(handle);
  if (found == ports_.end()) return {};
  if (found->second->present) {
    found->second->errors.update(readDriverErrorCounters(static_cast<int>(handle)));
  }
  return found->second->errors.counts();
}

std::optional<std::uint64_t> SerialDevices::damagedBytes(CommHandle handle) {
  const Port* port = findPort(handle);
  if (port == nullptr) return std::nullopt;
  return port->marks.markedBytes();
}

bool SerialDevices::devicePresent(CommHandle handle) const {
  const Port* port = findPort(handle);
  return port != nullptr && port->present;
}

}  // namespace platform::posix
