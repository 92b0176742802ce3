// The single-document template: creates the one document, its frame and its
// view from factories, and reuses them for every New and Open.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "platform/framework/cdocument.h"
#include "platform/framework/cframewnd.h"
#include "platform/framework/cview.h"
#include "platform/framework/resource_module.h"

class CSingleDocTemplate {
 public:
  using DocumentFactory = std::function<std::unique_ptr<CDocument>()>;
  using FrameFactory = std::function<std::unique_ptr<CFrameWnd>()>;
  using ViewFactory = std::function<std::unique_ptr<CView>()>;

  // The fields of the template string, which separates them by '\n'.
  enum DocStringIndex {
    windowTitle,
    docName,
    fileNewName,
    filterName,
    filterExt,
    regFileTypeId,
    regFileTypeName,
  };
  static constexpr int kDocStringCount = 7;

  // The template string and the frame's menu, accelerators and icon all
  // come from resourceId in resources, which must outlive the template.
  CSingleDocTemplate(UINT resourceId, const platform::ResourceModule& resources,
                     DocumentFactory makeDocument, FrameFactory makeFrame, ViewFactory makeView);
  ~CSingleDocTemplate();
  CSingleDocTemplate(const CSingleDocTemplate&) = delete;
  CSingleDocTemplate& operator=(const CSingleDocTemplate&) = delete;

  UINT GetResourceId() const { return resourceId_; }
  // TRUE when the field is present and not empty.
  BOOL GetDocString(std::string& value, DocStringIndex index) const;
  // The open dialog's filter for this document type, "name|*ext||";
  // empty when the template names no extension.
  std::string GetFileDialogFilter() const;

  // With a path, opens that file as the document; without, sets up a new
  // untitled one. The first call creates document, frame and view; every
  // successful call gives the view its initial update again and retitles the
  // frame. Returns null, with everything left as it was, on failure.
  CDocument* OpenDocumentFile(const std::string* path);

  CDocument* GetDocument() const { return document_.get(); }
  CFrameWnd* GetFrame() const { return frame_.get(); }
  CView* GetView() const { return view_.get(); }

  // Destroys view, frame and document, in that order.
  void CloseAllDocuments();

 private:
  BOOL CreateFrameAndView();

  UINT resourceId_;
  const platform::ResourceModule& resources_;
  std::array<std::string, kDocStringCount> docStrings_;
  DocumentFactory makeDocument_;
  FrameFactory makeFrame_;
  ViewFactory makeView_;
  std::unique_ptr<CDocument> document_;
  std::unique_ptr<CFrameWnd> frame_;
  std::unique_ptr<CView> view_;
};
