#include "platform/win32/comm_settings.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace platform::win32 {

struct SavedCommSettings::Found {
  DCB dcb{};
  COMMTIMEOUTS timeouts{};
  bool saved = false;
};

SavedCommSettings::SavedCommSettings() : found_(std::make_unique<Found>()) {}
SavedCommSettings::~SavedCommSettings() = default;

bool SavedCommSettings::save(void* handle) {
  found_->dcb.DCBlength = sizeof found_->dcb;
  found_->saved = GetCommState(static_cast<HANDLE>(handle), &found_->dcb) != FALSE &&
                  GetCommTimeouts(static_cast<HANDLE>(handle), &found_->timeouts) != FALSE;
  return found_->saved;
}

bool SavedCommSettings::restore(void* handle) const {
  if (!found_->saved) return false;
  const auto port = static_cast<HANDLE>(handle);
  const bool timeouts = SetCommTimeouts(port, &found_->timeouts) != FALSE;
  PurgeComm(port, PURGE_RXABORT | PURGE_RXCLEAR);
  DCB dcb = found_->dcb;
  const bool state = SetCommState(port, &dcb) != FALSE;
  return timeouts && state;
}

}  // namespace platform::win32
