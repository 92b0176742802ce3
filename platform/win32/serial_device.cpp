#include "platform/win32/serial_device.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/comm/line_rate.h"
#include "platform/win32/comm_settings.h"
#include "platform/win32/dcb_line.h"
#include "platform/win32/failure_reason.h"

namespace platform::win32 {
namespace {

constexpr auto kReopenInterval = std::chrono::milliseconds(500);

HANDLE win32Handle(void* handle) { return static_cast<HANDLE>(handle); }
bool valid(void* handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

HANDLE openDevice(const std::string& path) {
  // Share mode 0: the device is held exclusively while open.
  return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool makeReadsReturnAtOnce(HANDLE handle) {
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = 0;
  timeouts.WriteTotalTimeoutMultiplier = 0;
  timeouts.WriteTotalTimeoutConstant = 500;
  return SetCommTimeouts(handle, &timeouts) != FALSE;
}

// The port's whole DCB built for the monitor from state; only the modem-line
// fields are taken from what the port reports.
bool applyLineState(HANDLE handle, const LineState& state) {
  DCB reported{};
  reported.DCBlength = sizeof reported;
  if (!GetCommState(handle, &reported)) return false;
  DCB dcb = monitorDcb(reported, state);
  return SetCommState(handle, &dcb) != FALSE;
}

// Puts back what the port had at open, then lets it go.
void release(HANDLE handle, const SavedCommSettings* found) {
  // A port whose settings cannot be put back (it went away) is still closed.
  if (found != nullptr) found->restore(handle);
  CloseHandle(handle);
}

}  // namespace

SerialDevices::SerialDevices(SerialDeviceOptions options) : options_(std::move(options)) {}

SerialDevices::~SerialDevices() {
  while (!devices_.empty()) close(devices_.begin()->first);
}

SerialDevices::Device* SerialDevices::find(CommHandle handle) {
  const auto found = devices_.find(handle);
  return found != devices_.end() ? &found->second : nullptr;
}

const SerialDevices::Device* SerialDevices::find(CommHandle handle) const {
  const auto found = devices_.find(handle);
  return found != devices_.end() ? &found->second : nullptr;
}

CommHandle SerialDevices::open(const std::string& path) {
  const HANDLE handle = openDevice(path);
  if (handle == INVALID_HANDLE_VALUE) {
    lastFailureReason_ = describeDeviceFailure(path, GetLastError());
    return kInvalidCommHandle;
  }
  // Only a communications device answers GetCommState; anything else (a
  // file, a printer) is refused before it is used as a port.
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(handle, &dcb)) {
    const DWORD error = GetLastError();
    CloseHandle(handle);
    lastFailureReason_ =
        describeDeviceFailure(path, error == ERROR_SUCCESS ? ERROR_INVALID_FUNCTION : error);
    return kInvalidCommHandle;
  }
  const CommHandle id = nextHandle_++;
  Device& device = devices_[id];
  device.handle = handle;
  device.path = path;
  device.found = std::make_unique<SavedCommSettings>();
  device.found->save(handle);
  lastFailureReason_.clear();
  return id;
}

bool SerialDevices::setQueues(CommHandle handle, std::uint32_t inputBytes,
                              std::uint32_t outputBytes) {
  Device* device = find(handle);
  if (device == nullptr) return false;
  device->inputQueue = inputBytes;
  device->outputQueue = outputBytes;
  return valid(device->handle) &&
         SetupComm(win32Handle(device->handle), inputBytes, outputBytes) != FALSE;
}

bool SerialDevices::purge(CommHandle handle) {
  Device* device = find(handle);
  return device != nullptr && valid(device->handle) &&
         PurgeComm(win32Handle(device->handle),
                   PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR) != FALSE;
}

bool SerialDevices::setReadsReturnAtOnce(CommHandle handle) {
  Device* device = find(handle);
  if (device == nullptr) return false;
  device->readsReturnAtOnce = true;
  return valid(device->handle) && makeReadsReturnAtOnce(win32Handle(device->handle));
}

std::optional<LineState> SerialDevices::lineState(CommHandle handle) {
  Device* device = find(handle);
  if (device == nullptr || !valid(device->handle)) return std::nullopt;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(win32Handle(device->handle), &dcb)) return std::nullopt;
  return lineStateOf(dcb);
}

bool SerialDevices::setLineState(CommHandle handle, const LineState& state) {
  Device* device = find(handle);
  if (device == nullptr || !valid(device->handle)) return false;
  if (!applyLineState(win32Handle(device->handle), state)) {
    lastFailureReason_ = describeDeviceFailure(device->path, GetLastError());
    return false;
  }
  // A driver may take a rate it cannot make and round it to its clock.
  DCB taken{};
  taken.DCBlength = sizeof taken;
  const bool readBack = GetCommState(win32Handle(device->handle), &taken) != FALSE;
  if (!readBack || !rateTaken(state.baudRate, taken.BaudRate)) {
    lastFailureReason_ = portName(device->path) + ": the port does not take " +
                         std::to_string(state.baudRate) + " baud" +
                         (readBack ? " (it set " + std::to_string(taken.BaudRate) + ")" : "") +
                         ". Choose another baud rate in Setup.";
    return false;
  }
  device->lineState = state;
  lastFailureReason_.clear();
  return true;
}

void SerialDevices::markGone(Device& device) {
  // The handle of a device that went away is of no more use; closing it
  // also keeps it from refusing the reopen.
  CloseHandle(win32Handle(device.handle));
  device.handle = nullptr;
  device.present = false;
  device.lastReopen = Clock::now();
}

long long SerialDevices::pollStatus(Device& device) {
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(win32Handle(device.handle), &errors, &status)) {
    if (deviceGone(GetLastError())) markGone(device);
    return -1;
  }
  device.errors.add(errors);
  return status.cbInQue;
}

// A reopen handed to its worker: what it needs, and what it hands back under
// the mutex. A port closed while its reopen still blocks gives the job up;
// the worker then releases whatever it opened itself.
struct SerialDevices::Reopening {
  std::string path;
  std::optional<std::uint32_t> inputQueue, outputQueue;
  bool readsReturnAtOnce = false;
  std::optional<LineState> lineState;
  std::function<void()> beforeReopen;

  std::mutex mutex;
  bool finished = false;
  bool abandoned = false;
  void* handle = nullptr;  // the configured device; null when it did not open
  std::unique_ptr<SavedCommSettings> found;
};

void SerialDevices::reopenOnWorker(const std::shared_ptr<Reopening>& job) {
  if (job->beforeReopen) job->beforeReopen();
  HANDLE handle = openDevice(job->path);
  auto found = std::make_unique<SavedCommSettings>();
  if (handle != INVALID_HANDLE_VALUE) {
    found->save(handle);
    if (job->inputQueue && job->outputQueue) {
      SetupComm(handle, *job->inputQueue, *job->outputQueue);
    }
    const bool configured = (!job->readsReturnAtOnce || makeReadsReturnAtOnce(handle)) &&
                            (!job->lineState || applyLineState(handle, *job->lineState));
    if (!configured) {
      release(handle, found.get());
      handle = INVALID_HANDLE_VALUE;
    }
  }
  const std::lock_guard lock(job->mutex);
  if (job->abandoned) {
    if (handle != INVALID_HANDLE_VALUE) release(handle, found.get());
    return;
  }
  if (handle != INVALID_HANDLE_VALUE) {
    job->handle = handle;
    job->found = std::move(found);
  }
  job->finished = true;
}

void SerialDevices::tryReopen(Device& device) {
  if (device.reopening) {
    {
      const std::lock_guard lock(device.reopening->mutex);
      if (!device.reopening->finished) return;
      if (device.reopening->handle != nullptr) {
        device.handle = device.reopening->handle;
        device.found = std::move(device.reopening->found);
        device.present = true;
      }
    }
    device.reopening.reset();
    // The next try is counted from the end of this one: a device whose open
    // blocks is not asked again at once.
    device.lastReopen = Clock::now();
    return;
  }
  const Clock::time_point now = Clock::now();
  if (now - device.lastReopen < kReopenInterval) return;
  device.lastReopen = now;
  auto job = std::make_shared<Reopening>();
  job->path = device.path;
  job->inputQueue = device.inputQueue;
  job->outputQueue = device.outputQueue;
  job->readsReturnAtOnce = device.readsReturnAtOnce;
  job->lineState = device.lineState;
  job->beforeReopen = options_.beforeReopen;
  try {
    std::thread(reopenOnWorker, job).detach();
  } catch (const std::system_error&) {
    return;  // no thread to be had now: tried again at the next interval
  }
  device.reopening = std::move(job);
}

int SerialDevices::read(CommHandle handle, std::uint8_t* buffer, int maxBytes) {
  Device* device = find(handle);
  if (device == nullptr || maxBytes < 0) return -1;
  if (!device->present) tryReopen(*device);
  if (!device->present) return -1;
  if (maxBytes == 0) return 0;
  // A read asks only for what is queued: with nothing queued even a read
  // with timeouts that return at once can wait on some drivers.
  const long long queued = pollStatus(*device);
  if (queued < 0) return -1;
  const auto wanted = static_cast<DWORD>(std::min<long long>(queued, maxBytes));
  if (wanted == 0) return 0;
  DWORD received = 0;
  if (!ReadFile(win32Handle(device->handle), buffer, wanted, &received, nullptr)) {
    if (deviceGone(GetLastError())) markGone(*device);
    return -1;
  }
  return static_cast<int>(received);
}

bool SerialDevices::close(CommHandle handle) {
  const auto found = devices_.find(handle);
  if (found == devices_.end()) return false;
  // The handle is forgotten even when CloseHandle reports an error, so it
  // is never closed twice.
  Device& device = found->second;
  if (valid(device.handle)) release(win32Handle(device.handle), device.found.get());
  if (device.reopening) {
    const std::lock_guard lock(device.reopening->mutex);
    device.reopening->abandoned = true;
    if (device.reopening->handle != nullptr) {
      release(win32Handle(device.reopening->handle), device.reopening->found.get());
    }
  }
  devices_.erase(found);
  return true;
}

std::string SerialDevices::deviceDescription(CommHandle handle) const {
  const Device* device = find(handle);
  if (device == nullptr) return {};
  char target[MAX_PATH] = {};
  if (QueryDosDeviceA(portName(device->path).c_str(), target, sizeof target) == 0) return {};
  return target;
}

LineErrorCounts SerialDevices::lineErrors(CommHandle handle) {
  Device* device = find(handle);
  if (device == nullptr) return {};
  if (device->present) pollStatus(*device);
  return device->errors.counts();
}

bool SerialDevices::devicePresent(CommHandle handle) const {
  const Device* device = find(handle);
  return device != nullptr && device->present;
}

}  // namespace platform::win32
