// Drawing of one device context into a window's client-area image: solid
// fills and text copied cell by cell from the glyph atlas. It remembers the
// rectangle it touched so that only that part is put on the screen.
#pragma once

#include <QImage>
#include <QRect>
#include <cstddef>

#include "platform/framework/window_system.h"

namespace platform::qt {

class ImageSurface final : public DrawSurface {
 public:
  ImageSurface(QImage& image, WindowHandle window, DrawKind kind)
      : image_(image), window_(window), kind_(kind) {}

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
  template <class Byte>
  struct Pixels {
    Byte* bits;
    std::size_t stride;  // bytes from one row to the next
  };
  void copyCell(const Pixels<const uchar>& atlas, int atlasX, const Pixels<uchar>& target, int x,
                int y);

  QImage& image_;
  WindowHandle window_;
  DrawKind kind_;
  QRect touched_;
};

}  // namespace platform::qt
