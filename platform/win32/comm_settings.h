// The settings a port had before the monitor changed them, so that it is
// left as it was found.
#pragma once

#include <memory>

namespace platform::win32 {

class SavedCommSettings {
 public:
  SavedCommSettings();
  ~SavedCommSettings();
  SavedCommSettings(const SavedCommSettings&) = delete;
  SavedCommSettings& operator=(const SavedCommSettings&) = delete;

  // Takes the DCB and timeouts of the open port handle; false when it cannot.
  bool save(void* handle);
  // Gives them back to handle (the same port, about to be closed). The
  // input queue is emptied first: a restored XON/XOFF setting then finds
  // nothing queued, so the driver has no reason to send XOFF before the
  // handle is closed. DTR and RTS were never changed, so nothing toggles.
  bool restore(void* handle) const;

 private:
  struct Found;
  std::unique_ptr<Found> found_;
};

}  // namespace platform::win32
