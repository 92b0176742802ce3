#include "platform/qt/qt_view_widget.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/framework/cwnd.h"
#include "platform/qt/key_translation.h"

namespace platform::qt {
namespace {

int displayFrameMs() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const qreal hz = screen != nullptr ? screen->refreshRate() : 60.0;
  return hz > 1.0 ? std::max(1, static_cast<int>(std::floor(1000.0 / hz))) : 16;
}

}  // namespace

QtViewWidget::QtViewWidget(CWnd& wnd, QWidget* parent)
    : QWidget(parent),
      wnd_(&wnd),
      pacer_(displayFrameMs(), desktop::FramePacer::kDefaultStreamingIntervalMs) {
  clock_.start();
  setFocusPolicy(Qt::StrongFocus);
  // Every pixel comes from the image: Qt need not clear the background.
  setAttribute(Qt::WA_OpaquePaintEvent);
  image_ = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
  image_.fill(Qt::white);
  drawList_.setBounds(image_.size());

  flushTimer_.setSingleShot(true);
  flushTimer_.setTimerType(Qt::PreciseTimer);
  blinkTimer_.setSingleShot(true);
  connect(&flushTimer_, &QTimer::timeout, this, [this] { flushNow(); });
  connect(&blinkTimer_, &QTimer::timeout, this, [this] { toggleBlink(); });
}

const QImage& QtViewWidget::image() {
  rasterise();
  return image_;
}

void QtViewWidget::rasterise(const QRegion& shownByThisPaint) {
  // What changed is put on the screen by the next flush, except what the
  // paint under way shows anyway.
  const QRegion changed = drawList_.rasterise(image_) - shownByThisPaint;
  for (const QRect& rect : changed) scheduleFlush(rect);
}

void QtViewWidget::invalidate() {
  paintPending_ = true;
  scheduleFlush(rect());
}

void QtViewWidget::drawn(const QRect& touched, DrawKind kind) {
  if (kind == DrawKind::Paint) paintPending_ = false;  // the paint cycle validates
  if (touched.isEmpty()) return;
  if (drawList_.full()) {
    rasterise(painting_ ? paintingRegion_ : QRegion());
  } else if (!painting_) {
    // The drawing is written out and shown by the next flush; a paint under
    // way writes it out itself.
    startFlushTimer();
  }
}

void QtViewWidget::scheduleFlush(const QRect& rect) {
  if (rect.isEmpty()) return;
  pendingFlush_ += rect;
  startFlushTimer();
}

void QtViewWidget::startFlushTimer() {
  const int delay = pacer_.delayMs(clock_.elapsed());
  // An update already due sooner stands; one due later (paced for a stream)
  // is brought forward when the user's input asks for a prompt one.
  if (flushTimer_.isActive() && flushTimer_.remainingTime() <= delay) return;
  flushTimer_.start(delay);
}

void QtViewWidget::flushNow() {
  flushTimer_.stop();
  pendingFlush_ += drawList_.rasterise(image_);
  if (pendingFlush_.isEmpty()) return;
  if (painting_ || testAttribute(Qt::WA_WState_InPaintEvent)) {
    // Due inside a paint (its handler runs a box's loop): shown after it.
    update(pendingFlush_);
  } else {
    repaint(pendingFlush_);  // now: a posted update would cost the loop another wake-up
  }
  pendingFlush_ = QRegion();
  pacer_.flushed(clock_.elapsed());
  ++flushCount_;
}

void QtViewWidget::paintEvent(QPaintEvent* event) {
  if (paintPending_ && wnd_ != nullptr) {
    // The view's handler draws through its own device contexts into the
    // image; this paint puts its region on the screen, the rest follows.
    paintPending_ = false;
    painting_ = true;
    paintingRegion_ = event->region();
    wnd_->DispatchPaint();
    painting_ = false;
  }
  rasterise(event->region());
  QPainter painter(this);
  if (!copyIntoBackingImage(painter, event->region())) {
    for (const QRect& rect : event->region()) painter.drawImage(rect.topLeft(), image_, rect);
  }
  const QRect caret = shownCaretRect().intersected(event->rect());
  if (!caret.isEmpty()) {
    QImage inverted = image_.copy(caret);
    inverted.invertPixels();
    painter.drawImage(caret.topLeft(), inverted);
  }
}

bool QtViewWidget::copyIntoBackingImage(QPainter& painter, const QRegion& region) const {
  // The window's backing store is an image of the same pixel layout on the
  // raster platforms: rows are copied as they are. QPainter::drawImage would
  // hand large copies to worker threads, which costs more than the copy.
  const QPaintEngine* engine = painter.paintEngine();
  QPaintDevice* device = engine != nullptr ? engine->paintDevice() : nullptr;
  if (device == nullptr || device->devType() != QInternal::Image) return false;
  auto* target = static_cast<QImage*>(device);
  const bool samePixels = target->format() == QImage::Format_RGB32 ||
                          target->format() == QImage::Format_ARGB32_Premultiplied;
  const QTransform transform = painter.deviceTransform();
  // A shared image would be copied by bits(), and the copy never shown.
  if (!samePixels || !target->isDetached() || target->devicePixelRatio() != 1.0 ||
      transform.type() > QTransform::TxTranslate) {
    return false;
  }
  const QPoint offset(qRound(transform.dx()), qRound(transform.dy()));
  const auto sourceStride = static_cast<std::size_t>(image_.bytesPerLine());
  const auto targetStride = static_cast<std::size_t>(target->bytesPerLine());
  const uchar* from = image_.constBits();
  uchar* to = target->bits();
  for (const QRect& rect : region) {
    const QRect shown =
        rect.intersected(image_.rect()).translated(offset).intersected(target->rect());
    if (shown.isEmpty()) continue;
    const QPoint source = shown.topLeft() - offset;
    const auto bytes = static_cast<std::size_t>(shown.width()) * sizeof(QRgb);
    for (int row = 0; row < shown.height(); ++row) {
      std::memcpy(to + static_cast<std::size_t>(shown.top() + row) * targetStride +
                      static_cast<std::size_t>(shown.left()) * sizeof(QRgb),
                  from + static_cast<std::size_t>(source.y() + row) * sourceStride +
                      static_cast<std::size_t>(source.x()) * sizeof(QRgb),
                  bytes);
    }
  }
  return true;
}

void QtViewWidget::resizeEvent(QResizeEvent* event) {
  pacer_.userInput();
  rasterise();  // what was drawn for the old size stays, as far as it fits
  QImage resized(std::max(1, event->size().width()), std::max(1, event->size().height()),
                 QImage::Format_RGB32);
  resized.fill(Qt::white);
  QPainter(&resized).drawImage(0, 0, image_);
  image_ = std::move(resized);
  drawList_.setBounds(image_.size());
  invalidate();
}

void QtViewWidget::keyPressEvent(QKeyEvent* event) {
  const bool keypad = event->modifiers().testFlag(Qt::KeypadModifier);
  const ScanCode scan = translateScanCode(event->nativeScanCode(), event->key(), keypad);
  keyDown(virtualKeyFromQtKey(event->key(), keypad), keyDownFlags(scan, event->isAutoRepeat()));
}

void QtViewWidget::wheelEvent(QWheelEvent* event) {
  const desktop::WheelKeys::Presses presses = wheel_.turn(event->angleDelta().y());
  for (int i = 0; i < presses.count; ++i) keyDown(presses.key.virtualKey, presses.key.flags);
  event->accept();
}

void QtViewWidget::keyDown(UINT virtualKey, UINT flags) {
  if (wnd_ == nullptr) return;
  pacer_.userInput();
  if (flushTimer_.isActive()) startFlushTimer();  // what waits shows with the key's answer
  wnd_->DispatchKeyDown(virtualKey, 1, flags);
}

// Tab and Backtab are keys of the view, not moves between widgets.
bool QtViewWidget::focusNextPrevChild(bool /*next*/) { return false; }

QRect QtViewWidget::caretRect() const {
  return QRect(caret_.x, caret_.y, caret_.width, caret_.height);
}

QRect QtViewWidget::shownCaretRect() const {
  return caret_.visible() && caretOn_ ? caretRect() : QRect();
}

void QtViewWidget::setCaret(const CaretState& caret) {
  const QRect before = shownCaretRect();
  const bool moved = caret.x != caret_.x || caret.y != caret_.y || caret.width != caret_.width ||
                     caret.height != caret_.height;
  const bool appears = caret.visible() && !caret_.visible();
  const bool newBlink = caret.blinkTimeMs != caret_.blinkTimeMs;
  caret_ = caret;
  if (!caret_.visible()) {
    blinkTimer_.stop();
    caretOn_ = false;
  } else if (appears || newBlink || !blinkTimer_.isActive()) {
    caretOn_ = true;
    blinkShownAtMs_ = clock_.elapsed();
    blinkTimer_.start(blinkTimeMs());
  } else if (moved) {
    // A caret that moves shows at once and blinks from there. It moves on
    // every poll tick while a capture streams in: the running timer is left
    // alone and finds the new start when it fires, as re-arming a timer
    // costs more than the rest of the move.
    caretOn_ = true;
    blinkShownAtMs_ = clock_.elapsed();
  }
  const QRect after = shownCaretRect();
  if (before != after) {
    scheduleFlush(before);
    scheduleFlush(after);
  }
}

void QtViewWidget::removeCaret() { setCaret(CaretState{.blinkTimeMs = caret_.blinkTimeMs}); }

int QtViewWidget::blinkTimeMs() const {
  return static_cast<int>(std::max<UINT>(1, caret_.blinkTimeMs));
}

void QtViewWidget::toggleBlink() {
  const qint64 shownFor = clock_.elapsed() - blinkShownAtMs_;
  if (caretOn_ && shownFor >= 0 && shownFor < blinkTimeMs()) {
    // Moved since the timer was armed: it stays on a whole blink time from there.
    blinkTimer_.start(static_cast<int>(blinkTimeMs() - shownFor));
    return;
  }
  caretOn_ = !caretOn_;
  blinkShownAtMs_ = clock_.elapsed();
  blinkTimer_.start(blinkTimeMs());
  scheduleFlush(caretRect());
}

}  // namespace platform::qt
