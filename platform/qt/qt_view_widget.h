// The window of a view: a client-area image that device contexts draw into,
// the caret over it, and key presses delivered with their PC scan code.
//
// The image is the window's lasting content. Device contexts record into a
// draw list; the list is written into the image only when the screen is
// updated (or the image is asked for), so a view that redraws more often
// than the screen is updated pays for the pixels once per update. The view's
// own paint handler runs only when the window was invalidated (created,
// resized, Invalidate); anything drawn is put on the screen by copying the
// touched part of the image, when the frame pacer says (within a display
// frame, or at the streaming interval while drawings keep coming). The
// caret is never drawn into the image: it is inverted over it when the
// screen is updated, so its blinking repaints only its own cell and never
// asks the view to draw.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include "platform/desktop/frame_pacer.h"
#include "platform/desktop/wheel_keys.h"
#include "platform/framework/window_system.h"
#include "platform/qt/draw_list.h"

class CWnd;

namespace platform::qt {

class QtViewWidget final : public QWidget {
 public:
  QtViewWidget(CWnd& wnd, QWidget* parent);

  // After this the widget no longer calls the window object.
  void detach() { wnd_ = nullptr; }

  // The content with everything drawn so far written in.
  const QImage& image();
  QSize imageSize() const { return image_.size(); }
  // Where device contexts on this window draw.
  DrawList& drawList() { return drawList_; }

  // Asks for the view's paint handler on the next screen update.
  void invalidate();
  bool paintPending() const { return paintPending_; }
  // Called when a device context on this window ends, with what it touched.
  void drawn(const QRect& touched, DrawKind kind);

  void setCaret(const CaretState& caret);
  void removeCaret();
  // The caret's cell as it stands on the screen now (empty when not shown).
  QRect shownCaretRect() const;
  bool caretBlinkOn() const { return caretOn_; }

  // The shortest time between two screen updates; one display frame by
  // default. Tests set a long one to see updates gathered.
  void setFrameIntervalMs(int ms) { pacer_.setFrameIntervalMs(ms); }
  // The time between screen updates while drawings keep coming.
  void setStreamingIntervalMs(int ms) { pacer_.setStreamingIntervalMs(ms); }
  bool streaming() const { return pacer_.streaming(); }
  // Screen updates of drawn content so far.
  int flushCount() const { return flushCount_; }
  // Puts whatever waits on the screen now (the next paint picks it up).
  void flushNow();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  // The wheel moves the caret as Up and Down do, one press a notch.
  void wheelEvent(QWheelEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  void scheduleFlush(const QRect& rect);
  void startFlushTimer();
  // Copies the region of the image into the window's backing image when the
  // painter draws into one of the same layout; false when it does not.
  bool copyIntoBackingImage(QPainter& painter, const QRegion& region) const;
  // Writes the recorded drawing into the image and schedules what changed.
  void rasterise(const QRegion& shownByThisPaint = QRegion());
  void toggleBlink();
  void keyDown(UINT virtualKey, UINT flags);
  int blinkTimeMs() const;
  QRect caretRect() const;

  CWnd* wnd_;
  QImage image_;
  DrawList drawList_;
  bool paintPending_ = true;  // a new window is invalid
  bool painting_ = false;
  QRegion paintingRegion_;

  QRegion pendingFlush_;
  QTimer flushTimer_;
  QElapsedTimer clock_;
  desktop::FramePacer pacer_;
  desktop::WheelKeys wheel_;
  int flushCount_ = 0;

  CaretState caret_;
  bool caretOn_ = false;
  qint64 blinkShownAtMs_ = 0;  // when the caret last turned on or moved
  QTimer blinkTimer_;          // single shot, armed again at each toggle
};

}  // namespace platform::qt
