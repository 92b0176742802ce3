#include "qt_test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>

namespace qt_test {

namespace {
// Ends the application while Qt's globals still exist, after the last test.
class QtApplicationEnd : public ::testing::Environment {
 public:
  void TearDown() override { platform::qt::shutDownQtApplication(); }
};
const auto* const applicationEnd = ::testing::AddGlobalTestEnvironment(new QtApplicationEnd);
}  // namespace

platform::qt::QtWindowSystem& qtSystem() {
  static int argc = 1;
  static char name[] = "qt_window_tests";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  return platform::qt::installQtWindowSystem(argc, argv);
}

FrameAndView::FrameAndView() {
  qtSystem();
  resetCaretForTests();
  CREATESTRUCT frameSize;
  frameSize.cx = 720;
  frameSize.cy = 500;
  frame.CreateNative(platform::WindowKind::Frame, nullptr, frameSize);
  view.CreateNative(platform::WindowKind::View, &frame, CREATESTRUCT{});
}

std::string colourAt(const QImage& image, int x, int y) {
  const QRgb pixel = image.pixel(x, y);
  char text[48];
  std::snprintf(text, sizeof text, "RGB(%d, %d, %d) at (%d, %d)", qRed(pixel), qGreen(pixel),
                qBlue(pixel), x, y);
  return text;
}

int countColour(const QImage& image, const QRect& rect, QRgb colour) {
  int count = 0;
  const QRect area = rect.intersected(image.rect());
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) ++count;
    }
  }
  return count;
}

int countInk(const QImage& image, const QRect& rect) {
  return rect.intersected(image.rect()).width() * rect.intersected(image.rect()).height() -
         countColour(image, rect, qRgb(255, 255, 255));
}

}  // namespace qt_test
