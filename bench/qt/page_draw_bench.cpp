// One page of the dump drawn through a client device context on the desktop
// window system (offscreen platform): 22 rows of an 8-character label, 16
// characters and 48 hexadecimal characters: recorded only, written into the
// view's image, and put on the screen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/framework/cdc.h"
#include "platform/framework/cwnd.h"
#include "platform/qt/glyph_atlas.h"
#include "platform/qt/qt_frame_window.h"
#include "platform/qt/qt_view_widget.h"
#include "platform/qt/qt_window_system.h"

namespace {

platform::qt::QtWindowSystem* qtSystem = nullptr;

struct Page {
  std::string labels[22];
  std::string data[22];
  std::string hex[22];
  // The page scrolled by `first` records: every row differs from the page
  // before, as at full line rate, where a tick brings more than a page.
  explicit Page(int first = 0) {
    for (int row = 0; row < 22; ++row) {
      char label[16];
      std::snprintf(label, sizeof label, "%06d: ", 1000 + first + row);
      labels[row] = label;
      for (int i = 0; i < 16; ++i) {
        const auto byte = static_cast<unsigned char>((first * 37 + row) * 16 + i);
        data[row] += static_cast<char>(byte);
        char cell[8];
        std::snprintf(cell, sizeof cell, " %02x", byte);
        hex[row] += cell;
      }
    }
  }
};

struct Windows {
  CWnd frame;
  CWnd view;
  CFont font;
  Windows() {
    CREATESTRUCT size;
    size.cx = 720;
    size.cy = 500;
    frame.CreateNative(platform::WindowKind::Frame, nullptr, size);
    view.CreateNative(platform::WindowKind::View, &frame, CREATESTRUCT{});
    font.CreateFont(18, 8, 0, 0, 400, 0, 0, 0, 186, 0, 1, 0, 49, "Terminal");
    frame.ShowWindow();
    if (!QTest::qWaitForWindowExposed(qtSystem->frame(frame.m_hWnd)))
      std::fputs("not exposed\n", stderr);
  }
};

void drawPage(Windows& windows, const Page& page) {
  CClientDC dc(&windows.view);
  CRect client;
  windows.view.GetClientRect(&client);
  dc.FillSolidRect(client, RGB(255, 255, 255));
  dc.SelectObject(&windows.font);
  for (int row = 0; row < 22; ++row) {
    dc.SetTextColor(row % 2 == 0 ? RGB(0, 0, 0) : RGB(192, 0, 0));
    dc.ExtTextOut(0, 18 * row, page.labels[row].data(), 8);
    dc.ExtTextOut(64, 18 * row, page.data[row].data(), 16);
    dc.ExtTextOut(224, 18 * row, page.hex[row].data(), 48);
  }
}

Windows* windows = nullptr;
// Pages drawn in turn; consecutive pages share only what a scrolled dump
// shares (the spaces, the colons, some digits).
const std::vector<Page> pages = [] {
  std::vector<Page> all;
  for (int first = 0; first < 64; ++first) all.emplace_back(first * 29);
  return all;
}();
const Page& nextPage() {
  static std::size_t next = 0;
  return pages[next++ % pages.size()];
}

void BM_DrawPage(benchmark::State& state) {
  for (auto _ : state) drawPage(*windows, nextPage());
}
BENCHMARK(BM_DrawPage);

// Recording the page and writing it into the client-area image, what a
// screen update does before it copies the image.
void BM_DrawPageIntoImage(benchmark::State& state) {
  auto* viewWidget = qtSystem->view(windows->view.m_hWnd);
  for (auto _ : state) {
    drawPage(*windows, nextPage());
    benchmark::DoNotOptimize(viewWidget->image().constBits());
  }
}
BENCHMARK(BM_DrawPageIntoImage);

void BM_DrawPageAndFlush(benchmark::State& state) {
  auto* viewWidget = qtSystem->view(windows->view.m_hWnd);
  for (auto _ : state) {
    drawPage(*windows, nextPage());
    viewWidget->flushNow();  // the screen update (a synchronous repaint of what changed)
  }
}
BENCHMARK(BM_DrawPageAndFlush);

void BM_RenderGlyphAtlas(benchmark::State& state) {
  platform::LogFont font;
  COLORREF color = 1;
  for (auto _ : state) {
    platform::qt::GlyphAtlas atlas(font, color++);
    benchmark::DoNotOptimize(atlas.image().constBits());
  }
}
BENCHMARK(BM_RenderGlyphAtlas);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qtSystem = &platform::qt::installQtWindowSystem(argc, argv);
  windows = new Windows;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  delete windows;
  platform::qt::shutDownQtApplication();
  return 0;
}
