// What device contexts drew into a view since its image was last brought up
// to date, kept as a short list of operations instead of pixels. The view
// redraws its whole page on every poll tick, up to 100 times a second, but
// the screen shows at most one frame per display refresh: recording costs
// next to nothing, and the pixels are written only when the screen needs
// them. A fill that covers the whole image hides everything before it, so
// those operations are dropped as it is recorded.
//
// A page (a fill of the whole image, then runs of text that do not overlap)
// is also remembered once written: the next page compares its cells with
// it, and writes only the cells that differ and the background where old
// text no longer is. A dump redrawn on every tick changes only some cells
// between two frames.
#pragma once

#include <QImage>
#include <QRect>
#include <QRegion>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/framework/window_system.h"

namespace platform::qt {

class GlyphAtlas;

class DrawList {
 public:
  // Past this many operations the list is written into the image at once, so
  // that a window whose screen is never updated (hidden, minimised) does not
  // keep a growing list.
  static constexpr std::size_t kMaxOperations = 4096;

  explicit DrawList(QSize bounds = QSize()) : bounds_(bounds) {}

  // The size of the image the operations are for; they are clipped to it.
  QSize bounds() const { return bounds_; }
  // Only on an empty list: earlier operations were clipped to the old size.
  void setBounds(QSize bounds) {
    bounds_ = bounds;
    forgetShown();
  }
  // The image was changed by other means: the next page is written whole.
  void forgetShown() { shown_.valid = false; }

  // Each returns the part of the image it covers (empty when nothing).
  QRect fill(const CRect& rect, COLORREF color);
  // Each byte takes one cell of the atlas, background included.
  QRect text(int x, int y, const GlyphAtlas& atlas, const BYTE* bytes, int count);

  bool empty() const { return ops_.empty(); }
  std::size_t size() const { return ops_.size(); }
  bool full() const { return ops_.size() >= kMaxOperations; }

  // Writes the operations, oldest first, into the image (of size bounds())
  // and empties the list; returns the pixels that may have changed. A fill
  // writes only the pixels that no later operation covers: the result is the
  // same, with fewer writes.
  QRegion rasterise(QImage& image);
  void clear();

 private:
  struct Op {
    QRect area;  // clipped to the bounds, never empty
    QRgb color = 0;
    const GlyphAtlas* atlas = nullptr;  // nullptr: a solid fill
    int x = 0;                          // the first cell's left edge, unclipped
    int y = 0;                          // the cells' top edge, unclipped
    std::size_t firstByte = 0;          // into bytes_
  };

  struct Page {
    bool valid = false;
    std::vector<Op> ops;  // the fill, then the runs
    std::vector<BYTE> bytes;
  };

  bool isPage() const;
  QRegion writeAll(QImage& image) const;
  QRegion writeChangesSince(QImage& image, const Page& shown) const;
  void writeFill(QImage& image, const Op& op, std::size_t index) const;
  // Cells firstCell..lastCell of a run (counted from its first cell).
  void writeCells(QImage& image, const Op& op, const BYTE* bytes, int firstCell,
                  int lastCell) const;
  static int firstCellOf(const Op& op);
  static int lastCellOf(const Op& op);

  QSize bounds_;
  std::vector<Op> ops_;
  std::vector<BYTE> bytes_;
  Page shown_;
};

}  // namespace platform::qt
