// Device contexts and fonts.
#pragma once

#include <string>

#include "platform/framework/window_system.h"
#include "platform/framework/wintypes.h"

class CWnd;

class CFont {
 public:
  // Arguments in CreateFont's order.
  BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                  BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision,
                  BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily, const char* faceName);
  BOOL DeleteObject();
  bool IsCreated() const { return created_; }
  const platform::LogFont& logFont() const { return logFont_; }

 private:
  platform::LogFont logFont_;
  bool created_ = false;
};

class CDC {
 public:
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;
  virtual ~CDC();

  void FillSolidRect(const CRect& rect, COLORREF color);
  CFont* SelectObject(CFont* font);
  COLORREF SetTextColor(COLORREF color);
  COLORREF GetTextColor() const { return textColor_; }
  // Draws count single-byte characters with the top-left of the first cell
  // at (x, y); no options, no clipping rectangle. A count of 0 or less draws
  // nothing.
  BOOL ExtTextOut(int x, int y, const char* text, int count);

 protected:
  CDC(CWnd* wnd, platform::DrawKind kind);
  // A context without a surface: colours can be set on it, nothing is drawn.
  CDC() : surface_(nullptr) {}

 private:
  platform::DrawSurface* surface_;
  CFont* font_ = nullptr;
  COLORREF textColor_ = RGB(0, 0, 0);
};

// A device context on a window's client area, usable at any time.
class CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* wnd) : CDC(wnd, platform::DrawKind::Client) {}
};

// Brackets the handling of a paint message.
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* wnd) : CDC(wnd, platform::DrawKind::Paint) {}
};
