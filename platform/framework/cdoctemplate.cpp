#include "platform/framework/cdoctemplate.h"

#include <utility>

#include "platform/framework/cwinapp.h"

CSingleDocTemplate::CSingleDocTemplate(UINT resourceId, const platform::ResourceModule& resources,
                                       DocumentFactory makeDocument, FrameFactory makeFrame,
                                       ViewFactory makeView)
    : resourceId_(resourceId),
      resources_(resources),
      makeDocument_(std::move(makeDocument)),
      makeFrame_(std::move(makeFrame)),
      makeView_(std::move(makeView)) {
  const std::string text = resources.loadString(resourceId);
  std::size_t start = 0;
  for (std::size_t field = 0; field < docStrings_.size() && start <= text.size(); ++field) {
    const std::size_t end = text.find('\n', start);
    docStrings_[field] = text.substr(start, end == std::string::npos ? end : end - start);
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

CSingleDocTemplate::~CSingleDocTemplate() { CloseAllDocuments(); }

BOOL CSingleDocTemplate::GetDocString(std::string& value, DocStringIndex index) const {
  value = docStrings_[static_cast<std::size_t>(index)];
  return value.empty() ? FALSE : TRUE;
}

std::string CSingleDocTemplate::GetFileDialogFilter() const {
  std::string name;
  std::string extension;
  if (!GetDocString(extension, filterExt)) return {};
  if (!GetDocString(name, filterName)) name = "*" + extension;
  return name + "|*" + extension + "||";
}

BOOL CSingleDocTemplate::CreateFrameAndView() {
  auto frame = makeFrame_();
  std::string title;
  GetDocString(title, windowTitle);
  if (!frame || !frame->LoadFrame(resourceId_, resources_, title)) return FALSE;
  auto view = makeView_();
  if (!view || !view->CreateNative(platform::WindowKind::View, frame.get(), CREATESTRUCT{})) {
    return FALSE;
  }
  view->SetDocument(document_.get());
  frame->SetActiveView(view.get());
  view->ShowWindow();
  frame_ = std::move(frame);
  view_ = std::move(view);
  if (CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd == nullptr) {
    app->m_pMainWnd = frame_.get();
  }
  return TRUE;
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const std::string* path) {
  if (!document_) {
    document_ = makeDocument_();
    if (!document_) return nullptr;
  }
  const bool createdNow = !frame_;
  if (createdNow && !CreateFrameAndView()) {
    document_.reset();
    return nullptr;
  }
  // A first document that cannot be set up leaves no window behind.
  const auto fail = [this, createdNow]() -> CDocument* {
    if (createdNow) CloseAllDocuments();
    return nullptr;
  };
  if (path == nullptr) {
    std::string name;
    if (!GetDocString(name, docName)) name = CDocument::kUntitled;
    const std::string previousTitle = document_->GetTitle();
    document_->SetTitle(name);
    if (!document_->OnNewDocument()) {
      document_->SetTitle(previousTitle);
      return fail();
    }
  } else {
    // A document that fails to open is left as it was.
    if (!document_->OnOpenDocument(*path)) return fail();
    document_->SetPathName(*path);
  }
  view_->OnInitialUpdate();
  frame_->OnUpdateFrameTitle();
  return document_.get();
}

void CSingleDocTemplate::CloseAllDocuments() {
  if (CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd == frame_.get()) {
    app->m_pMainWnd = nullptr;
  }
  view_.reset();
  frame_.reset();
  document_.reset();
}
