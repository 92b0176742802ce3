#include "platform/win32/win32_paint.h"

#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

#include "platform/desktop/code_page_437.h"

namespace platform::win32 {
namespace {

struct DrawContext {
  HWND window = nullptr;
  HDC dc = nullptr;
  bool paint = false;
  PAINTSTRUCT paintStruct{};
  HGDIOBJ originalFont = nullptr;
  bool caretHidden = false;
};

// Fonts live for the whole run: the view asks for the same one again and again.
HFONT fontFor(const NativeFont& font) {
  static std::vector<std::pair<NativeFont, HFONT>> fontsMade;
  for (const auto& [description, handle] : fontsMade) {
    if (description == font) return handle;
  }
  HFONT handle =
      CreateFontA(font.height, font.width, font.escapement, font.orientation, font.weight,
                  font.italic, font.underline, font.strikeOut, font.charSet, font.outPrecision,
                  font.clipPrecision, font.quality, font.pitchAndFamily, font.faceName.c_str());
  if (handle != nullptr) fontsMade.emplace_back(font, handle);
  return handle;
}

DrawContext* contextOf(NativeDrawContext context) {
  return reinterpret_cast<DrawContext*>(context);
}

}  // namespace

NativeDrawContext beginNativeDraw(NativeWindow window, bool paintMessage, bool hideCaret) {
  auto context = std::make_unique<DrawContext>();
  context->window = reinterpret_cast<HWND>(window);
  context->paint = paintMessage;
  context->dc =
      paintMessage ? BeginPaint(context->window, &context->paintStruct) : GetDC(context->window);
  if (context->dc == nullptr) {
    if (paintMessage) EndPaint(context->window, &context->paintStruct);
    return 0;
  }
  if (hideCaret && !paintMessage) context->caretHidden = HideCaret(context->window) != FALSE;
  SetBkMode(context->dc, TRANSPARENT);
  SetTextAlign(context->dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  return reinterpret_cast<NativeDrawContext>(context.release());
}

void endNativeDraw(NativeDrawContext handle) {
  std::unique_ptr<DrawContext> context(contextOf(handle));
  if (!context) return;
  if (context->originalFont != nullptr) SelectObject(context->dc, context->originalFont);
  if (context->paint) {
    EndPaint(context->window, &context->paintStruct);
  } else {
    ReleaseDC(context->window, context->dc);
  }
  if (context->caretHidden) ShowCaret(context->window);
}

void nativeFillRect(NativeDrawContext handle, const NativeRect& rect, std::uint32_t colour) {
  DrawContext* context = contextOf(handle);
  if (context == nullptr) return;
  const RECT area{rect.left, rect.top, rect.right, rect.bottom};
  // As FillSolidRect does: an opaque fill through the background colour.
  SetBkColor(context->dc, colour);
  ExtTextOutW(context->dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
}

void nativeTextOut(NativeDrawContext handle, int x, int y, std::uint32_t colour,
                   const NativeFont& font, const std::uint8_t* bytes, int count) {
  DrawContext* context = contextOf(handle);
  if (context == nullptr || count <= 0) return;
  if (HFONT chosen = fontFor(font)) {
    HGDIOBJ previous = SelectObject(context->dc, chosen);
    if (context->originalFont == nullptr) context->originalFont = previous;
  }
  SetTextColor(context->dc, colour);
  // Every byte takes one cell, whatever the face's own advance.
  std::vector<wchar_t> glyphs(static_cast<std::size_t>(count));
  std::vector<INT> advances(static_cast<std::size_t>(count), kCellWidthPx);
  for (int i = 0; i < count; ++i) {
    glyphs[static_cast<std::size_t>(i)] = static_cast<wchar_t>(desktop::glyphCodePoint(bytes[i]));
  }
  // A glyph wider than its cell (a fallback face's box-drawing or accented
  // letters) is cut at the run's cells, so it never marks a neighbour's.
  const RECT cells{x, y, x + count * kCellWidthPx, y + kCellHeightPx};
  ExtTextOutW(context->dc, x, y, ETO_CLIPPED, &cells, glyphs.data(), static_cast<UINT>(count),
              advances.data());
}

}  // namespace platform::win32
