// The Qt window system on the offscreen platform, and small windows whose
// handlers record what reaches them.
#pragma once

#include <QApplication>
#include <QImage>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "platform/framework/cmenu.h"
#include "platform/framework/cwnd.h"
#include "platform/qt/qt_window_system.h"

namespace qt_test {

// Creates the application once (offscreen unless a platform is set) and
// installs the Qt window system.
platform::qt::QtWindowSystem& qtSystem();

struct KeyDown {
  UINT nChar;
  UINT repeat;
  UINT flags;
};

class RecordingWnd : public CWnd {
 public:
  std::vector<UINT_PTR> ticks;
  std::vector<KeyDown> keys;
  std::vector<UINT> commands;
  std::vector<std::pair<CMenu*, UINT>> initMenuPopups;
  std::vector<std::string> droppedFiles;
  int paints = 0;
  int closes = 0;
  // Handlers that tests set to act inside a message.
  std::function<void(UINT_PTR)> onTimer;
  std::function<void(CMenu*)> onInitMenuPopup;
  std::function<void()> onPaint;

  BOOL OnCmdMsg(UINT id) override {
    commands.push_back(id);
    return TRUE;
  }

 protected:
  void OnTimer(UINT_PTR id) override {
    ticks.push_back(id);
    if (onTimer) onTimer(id);
  }
  void OnKeyDown(UINT nChar, UINT repeat, UINT flags) override {
    keys.push_back({nChar, repeat, flags});
  }
  void OnPaint() override {
    ++paints;
    if (onPaint) onPaint();
    CWnd::OnPaint();
  }
  void OnInitMenuPopup(CMenu* popup, UINT index, BOOL) override {
    initMenuPopups.emplace_back(popup, index);
    if (onInitMenuPopup) onInitMenuPopup(popup);
  }
  void OnDropFiles(const std::string& path) override { droppedFiles.push_back(path); }
  void OnClose() override { ++closes; }
};

// A frame of 720x500 with a view as its client, as the monitor makes them;
// the caret starts afresh.
struct FrameAndView {
  RecordingWnd frame;
  RecordingWnd view;
  FrameAndView();
};

// Acts on the next modal window of the type as soon as it is up.
template <class Window>
void whenModalOpens(std::function<void(Window&)> act) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    if (auto* window = qobject_cast<Window*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      act(*window);
    }
  });
  poll->start(5);
}

// Pixels of an image as RGB triples, for messages.
std::string colourAt(const QImage& image, int x, int y);
// Counts pixels of exactly the colour in the rectangle.
int countColour(const QImage& image, const QRect& rect, QRgb colour);
// Counts pixels that are not white in the rectangle.
int countInk(const QImage& image, const QRect& rect);

}  // namespace qt_test
