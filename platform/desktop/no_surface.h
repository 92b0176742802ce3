// Drawing on a window with nothing to draw into (a frame, a dialog, a window
// already gone, or a program without a screen) draws nothing.
#pragma once

#include "platform/framework/window_system.h"

namespace platform::desktop {

class NoSurface final : public DrawSurface {
 public:
  explicit NoSurface(CRect client = CRect{}) : client_(client) {}
  CRect clientRect() const override { return client_; }
  void fillSolidRect(const CRect&, COLORREF) override {}
  void textOut(int, int, COLORREF, const LogFont&, const BYTE*, int) override {}

 private:
  CRect client_;
};

}  // namespace platform::desktop
