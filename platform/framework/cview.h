// A view: the client window of a frame that shows a document.
#pragma once

#include "platform/framework/cwnd.h"

class CDocument;

class CView : public CWnd {
 public:
  CDocument* GetDocument() const { return m_pDocument; }
  void SetDocument(CDocument* document) { m_pDocument = document; }

  // Called by the document template when a document is set up (new or opened).
  virtual void OnInitialUpdate() { Invalidate(); }

 protected:
  virtual void OnDraw(class CDC* /*dc*/) {}

 private:
  CDocument* m_pDocument = nullptr;
};
