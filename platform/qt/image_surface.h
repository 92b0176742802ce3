// One device context on a view: its fills and text are recorded in the
// view's draw list, to be written into the client-area image when the screen
// is next updated. It remembers the rectangle it touched so that only that
// part is put on the screen.
#pragma once

#include <QRect>

#include "platform/framework/window_system.h"
#include "platform/qt/draw_list.h"

namespace platform::qt {

class ImageSurface final : public DrawSurface {
 public:
  ImageSurface(DrawList& list, WindowHandle window, DrawKind kind)
      : list_(list), window_(window), kind_(kind) {}

  CRect clientRect() const override;
  void fillSolidRect(const CRect& rect, COLORREF color) override;
  // Each byte takes exactly one 8x18 cell; the cell's white background is
  // drawn with it, as with the default opaque background of a device context.
  void textOut(int x, int y, COLORREF color, const LogFont& font, const BYTE* bytes,
               int count) override;

  WindowHandle window() const { return window_; }
  DrawKind kind() const { return kind_; }
  // The union of everything drawn, clipped to the image.
  QRect touched() const { return touched_; }

 private:
  DrawList& list_;
  WindowHandle window_;
  DrawKind kind_;
  QRect touched_;
};

}  // namespace platform::qt
