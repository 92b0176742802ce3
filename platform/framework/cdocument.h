// The document of a single-document application: a title, the path it was
// opened from, and the framework's new/open/save behaviour.
#pragma once

#include <istream>
#include <string>

#include "platform/framework/ccmdtarget.h"

// What a document serializes through. Documents are only ever loaded here:
// nothing in the framework writes a document to disk.
class CArchive {
 public:
  explicit CArchive(std::istream& in) : in_(in) {}
  BOOL IsStoring() const { return FALSE; }
  BOOL IsLoading() const { return TRUE; }
  std::istream& GetStream() { return in_; }

 private:
  std::istream& in_;
};

class CDocument : public CCmdTarget {
 public:
  // The title of a document that has no name of its own.
  static constexpr const char* kUntitled = "Untitled";

  // Resets the document to empty; TRUE on success.
  virtual BOOL OnNewDocument();
  // Opens path for reading and loads the document from it; FALSE, with the
  // document left as it was, when the file cannot be opened for reading.
  virtual BOOL OnOpenDocument(const std::string& path);
  virtual void DeleteContents() {}
  virtual void Serialize(CArchive& /*ar*/) {}

  // Save: the documents of this framework keep no content of their own, so
  // saving writes nothing. In particular it never replaces the file a
  // document was opened from with an empty one.
  void OnFileSave() {}

  const std::string& GetTitle() const { return title_; }
  virtual void SetTitle(const std::string& title) { title_ = title; }
  const std::string& GetPathName() const { return pathName_; }
  // Remembers the path and titles the document with the file's name.
  virtual void SetPathName(const std::string& path);
  BOOL IsModified() const { return modified_; }
  void SetModifiedFlag(BOOL modified = TRUE) { modified_ = modified; }

  BOOL OnCmdMsg(UINT id) override;

 private:
  std::string title_;
  std::string pathName_;
  BOOL modified_ = FALSE;
};
