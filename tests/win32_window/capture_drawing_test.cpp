// A capture file drawn by the Windows program is the Linux program's
// drawing: the calls that reach the window system are the same as the
// headless backend records for the same file, and the screen shows them
// cell by cell, each byte's ink in its own 8 x 18 cell and colour, with the
// caret where the view put it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/korvane_app.h"
#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/comm/comm_backend.h"
#include "platform/framework/cview.h"
#include "platform/headless/fake_comm.h"
#include "platform/headless/headless_window_system.h"
#include "platform/headless/memory_registry.h"
#include "platform/registry/registry_backend.h"
#include "platform/win32/win32_window_system.h"
#include "tests/win32_window/native_probe.h"

namespace {

constexpr int kCellWidthPx = 8;
constexpr int kCellHeightPx = 18;

struct TextCall {
  int x, y;
  COLORREF colour;
  std::string bytes;
  bool operator==(const TextCall&) const = default;
};

// Passes everything to the Win32 window system and writes down the text
// each device context draws.
class RecordingWindowSystem final : public platform::WindowSystem {
 public:
  explicit RecordingWindowSystem(platform::win32::Win32WindowSystem& inner) : inner_(inner) {}
  std::vector<TextCall> texts;

  platform::WindowHandle createWindow(CWnd& wnd, platform::WindowKind kind,
                                      platform::WindowHandle parent,
                                      const CREATESTRUCT& cs) override {
    return inner_.createWindow(wnd, kind, parent, cs);
  }
  void destroyWindow(platform::WindowHandle w) override { inner_.destroyWindow(w); }
  void setWindowText(platform::WindowHandle w, const std::string& t) override {
    inner_.setWindowText(w, t);
  }
  std::string windowText(platform::WindowHandle w) const override { return inner_.windowText(w); }
  CRect clientRect(platform::WindowHandle w) const override { return inner_.clientRect(w); }
  void showWindow(platform::WindowHandle w) override { inner_.showWindow(w); }
  void invalidate(platform::WindowHandle w) override { inner_.invalidate(w); }
  void setMenu(platform::WindowHandle f, CMenu* m) override { inner_.setMenu(f, m); }
  void setAccelerators(platform::WindowHandle f, const std::vector<ACCEL>& t) override {
    inner_.setAccelerators(f, t);
  }
  void dragAcceptFiles(platform::WindowHandle f, bool a) override { inner_.dragAcceptFiles(f, a); }
  void setWindowIcon(platform::WindowHandle f, const std::vector<platform::IconImage>& i) override {
    inner_.setWindowIcon(f, i);
  }
  bool setTimer(platform::WindowHandle w, UINT_PTR id, UINT ms) override {
    return inner_.setTimer(w, id, ms);
  }
  bool killTimer(platform::WindowHandle w, UINT_PTR id) override { return inner_.killTimer(w, id); }
  void caretChanged(const platform::CaretState& c) override { inner_.caretChanged(c); }
  platform::DrawSurface& beginDraw(platform::WindowHandle w, platform::DrawKind k) override {
    surfaces_.push_back(std::make_unique<Surface>(*this, inner_.beginDraw(w, k)));
    return *surfaces_.back();
  }
  void endDraw(platform::DrawSurface& surface) override {
    for (auto it = surfaces_.begin(); it != surfaces_.end(); ++it) {
      if (it->get() != &surface) continue;
      inner_.endDraw((*it)->inner);
      surfaces_.erase(it);
      return;
    }
  }
  int messageBox(const platform::MessageBoxRequest& r) override { return inner_.messageBox(r); }
  int runModalDialog(CDialog& d) override { return inner_.runModalDialog(d); }
  void endModalDialog(CDialog& d, int r) override { inner_.endModalDialog(d, r); }
  bool runFileDialog(platform::FileDialogRequest& r) override { return inner_.runFileDialog(r); }
  int runMessageLoop() override { return inner_.runMessageLoop(); }
  void quitMessageLoop(int c) override { inner_.quitMessageLoop(c); }
  [[noreturn]] void exitProcess(int s) override { inner_.exitProcess(s); }

 private:
  struct Surface final : platform::DrawSurface {
    Surface(RecordingWindowSystem& owner, platform::DrawSurface& drawn)
        : system(owner), inner(drawn) {}
    CRect clientRect() const override { return inner.clientRect(); }
    void fillSolidRect(const CRect& r, COLORREF c) override { inner.fillSolidRect(r, c); }
    void textOut(int x, int y, COLORREF c, const platform::LogFont& f, const BYTE* b,
                 int n) override {
      system.texts.push_back(
          {x, y, c, std::string(reinterpret_cast<const char*>(b), static_cast<std::size_t>(n))});
      inner.textOut(x, y, c, f, b, n);
    }
    RecordingWindowSystem& system;
    platform::DrawSurface& inner;
  };

  platform::win32::Win32WindowSystem& inner_;
  std::vector<std::unique_ptr<Surface>> surfaces_;
};

// Forty records of both ports, lengths 1 to 16, text and binary bytes.
std::string writeCaptureFile() {
  std::string records;
  for (int i = 0; i < 40; ++i) {
    std::string data;
    const int length = 1 + (i * 5) % 16;
    for (int k = 0; k < length; ++k) data += static_cast<char>((i * 37 + k * 11) % 256);
    if (i % 4 == 0) data = std::string("Hello, port ") + (i % 3 == 2 ? "B" : "A");
    char label[9];
    std::snprintf(label, sizeof label, "%06d: ", i / 3 + 1);
    records += static_cast<char>(data.size());
    records += static_cast<char>(i % 3 == 2 ? 2 : 1);
    records += std::string(label, 8) + data;
  }
  const auto path = std::filesystem::temp_directory_path() / "korvane-drawing.kvn";
  std::ofstream(path, std::ios::binary) << records;
  return path.string();
}

void startProcess(int memSizeMB = 1) {
  resetProcessState();
  monitorState.memSizeMB = memSizeMB;
  monitorState.memSizeMBLoaded = memSizeMB;
  allocateCaptureStore();
}

bool isInk(COLORREF pixel, COLORREF background) { return pixel != background; }
// Smoothed glyph edges blend the text colour with the white background:
// red ink keeps green equal to blue and below red, black ink stays grey.
bool isRedInk(COLORREF p) {
  return std::abs(GetGValue(p) - GetBValue(p)) <= 8 && GetRValue(p) >= GetGValue(p) + 8;
}
bool isGreyInk(COLORREF p) {
  const int r = GetRValue(p), g = GetGValue(p), b = GetBValue(p);
  return std::max({r, g, b}) - std::min({r, g, b}) <= 8;
}

TEST(Win32CaptureDrawing, IsTheLinuxDrawingCellByCell) {
  headless::FakeComm comm;
  headless::MemoryRegistry registry;
  platform::installCommBackend(&comm);
  platform::installRegistryBackend(&registry);
  const std::string file = writeCaptureFile();

  // The reference: the same system over the headless backend.
  std::vector<TextCall> expected;
  platform::CaretState expectedCaret;
  {
    auto& headless = headless::system();
    headless.reset();
    startProcess();
    CKORVANEApp app;
    app.SetCommandLine({file});
    ASSERT_TRUE(app.InitInstance());
    headless.advance(50);
    headless.clearDrawing();
    monitorState.redrawPending = 1;
    headless.advance(20);
    for (const auto& op : headless.textOps()) expected.push_back({op.x, op.y, op.color, op.bytes});
    expectedCaret = headless.caret();
    app.ExitInstance();
  }
  ASSERT_FALSE(expected.empty());

  RecordingWindowSystem recording(platform::win32::installWin32WindowSystem());
  platform::installWindowSystem(&recording);
  resetCaretForTests();
  startProcess();
  CKORVANEApp app;
  app.SetCommandLine({file});
  ASSERT_TRUE(app.InitInstance());
  const auto view =
      platform::win32::installWin32WindowSystem().nativeOf(app.GetDocTemplate()->GetView()->m_hWnd);
  platform::installWindowSystem(&recording);
  probe::setFocus(view);
  probe::pump(200);
  recording.texts.clear();
  monitorState.redrawPending = 1;
  probe::pump(200);
  EXPECT_EQ(recording.texts, expected);

  const probe::Caret caret = probe::caret();
  EXPECT_EQ(caret.owner, view);
  EXPECT_EQ(caret.x, expectedCaret.x);
  EXPECT_EQ(caret.y, expectedCaret.y);
  EXPECT_EQ(caret.width, expectedCaret.width);
  EXPECT_EQ(caret.height, expectedCaret.height);

  // On the screen: ink only in the cells drawn, in the colour drawn.
  int width = 0, height = 0;
  const std::vector<std::uint32_t> pixels = probe::clientPixels(view, &width, &height);
  const COLORREF background = pixels.empty() ? 0 : pixels[pixels.size() - 1];
  const int columns = width / kCellWidthPx;
  const int rows = height / kCellHeightPx;
  // Per cell, the colours of the glyphs drawn there (a blank draws none) and
  // whether one of them is a printable ASCII glyph, which every font has.
  enum : unsigned { kBlack = 1, kRed = 2, kMustInk = 4 };
  std::vector<unsigned> cells(static_cast<std::size_t>(columns * rows), 0);
  for (const TextCall& call : expected) {
    ASSERT_EQ(call.x % kCellWidthPx, 0);
    ASSERT_EQ(call.y % kCellHeightPx, 0);
    for (std::size_t k = 0; k < call.bytes.size(); ++k) {
      const int column = call.x / kCellWidthPx + static_cast<int>(k);
      const int row = call.y / kCellHeightPx;
      const auto byte = static_cast<unsigned char>(call.bytes[k]);
      if (column >= columns || row >= rows || byte == 0x20) continue;
      unsigned& cell = cells[static_cast<std::size_t>(row * columns + column)];
      cell |= call.colour == RGB(192, 0, 0) ? kRed : kBlack;
      if (byte > 0x20 && byte < 0x7F) cell |= kMustInk;
    }
  }
  int inkedCells = 0;
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      // The caret's cell is inverted while it blinks; it is checked above.
      if (caret.x == column * kCellWidthPx && caret.y == row * kCellHeightPx) continue;
      const unsigned cell = cells[static_cast<std::size_t>(row * columns + column)];
      bool anyInk = false;
      std::optional<COLORREF> wrongInk;
      for (int y = row * kCellHeightPx; y < (row + 1) * kCellHeightPx; ++y) {
        for (int x = column * kCellWidthPx; x < (column + 1) * kCellWidthPx; ++x) {
          const COLORREF p = pixels[static_cast<std::size_t>(y * width + x)];
          if (!isInk(p, background)) continue;
          anyInk = true;
          const bool fits =
              ((cell & kRed) != 0 && isRedInk(p)) || ((cell & kBlack) != 0 && isGreyInk(p));
          if (!fits) wrongInk = p;
        }
      }
      SCOPED_TRACE("row " + std::to_string(row) + ", column " + std::to_string(column));
      EXPECT_FALSE(wrongInk) << std::hex << "pixel 0x" << wrongInk.value_or(0);
      if ((cell & kMustInk) != 0) {
        EXPECT_TRUE(anyInk);
      }
      if (anyInk) ++inkedCells;
    }
  }
  EXPECT_GT(inkedCells, 300);
  app.ExitInstance();
}

}  // namespace
