// The frame's icon from the images the framework hands over.
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "platform/qt/qt_frame_window.h"
#include "platform/qt/qt_window_system.h"

namespace platform::qt {

void QtWindowSystem::setWindowIcon(WindowHandle frameHandle, const std::vector<IconImage>& images) {
  QtFrameWindow* frameWindow = frame(frameHandle);
  if (frameWindow == nullptr) return;
  QIcon icon;
  for (const IconImage& image : images) {
    if (image.width <= 0 || image.height <= 0 ||
        image.argb.size() !=
            static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height)) {
      continue;
    }
    QImage pixels(image.width, image.height, QImage::Format_ARGB32);
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) {
        pixels.setPixel(
            x, y,
            image.argb[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                       static_cast<std::size_t>(x)]);
      }
    }
    icon.addPixmap(QPixmap::fromImage(pixels));
  }
  frameWindow->setWindowIcon(icon);
}

}  // namespace platform::qt
