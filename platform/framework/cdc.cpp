#include "platform/framework/cdc.h"

#include "platform/framework/cwnd.h"

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight,
                       BYTE italic, BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision,
                       BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily,
                       const char* faceName) {
  logFont_ = platform::LogFont{height,         width,
                               escapement,     orientation,
                               weight,         italic,
                               underline,      strikeOut,
                               charSet,        outPrecision,
                               clipPrecision,  quality,
                               pitchAndFamily, faceName != nullptr ? faceName : ""};
  created_ = true;
  return TRUE;
}

BOOL CFont::DeleteObject() {
  const bool was = created_;
  created_ = false;
  logFont_ = {};
  return was ? TRUE : FALSE;
}

CDC::CDC(CWnd* wnd, platform::DrawKind kind)
    : surface_(&platform::windowSystem().beginDraw(wnd->m_hWnd, kind)) {}

CDC::~CDC() {
  if (surface_ != nullptr) platform::windowSystem().endDraw(*surface_);
}

void CDC::FillSolidRect(const CRect& rect, COLORREF color) {
  if (surface_ != nullptr) surface_->fillSolidRect(rect, color);
}

CFont* CDC::SelectObject(CFont* font) {
  CFont* previous = font_;
  font_ = font;
  return previous;
}

COLORREF CDC::SetTextColor(COLORREF color) {
  const COLORREF previous = textColor_;
  textColor_ = color;
  return previous;
}

BOOL CDC::ExtTextOut(int x, int y, const char* text, int count) {
  if (count <= 0 || surface_ == nullptr) return TRUE;
  static const platform::LogFont systemFont{};
  const platform::LogFont& font = font_ != nullptr ? font_->logFont() : systemFont;
  surface_->textOut(x, y, textColor_, font, reinterpret_cast<const BYTE*>(text), count);
  return TRUE;
}
