// The application object of a single-document program: start-up through
// InitInstance, the message loop, the document template, the command line,
// and the framework's New and Open commands.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/framework/ccmdtarget.h"
#include "platform/framework/cdoctemplate.h"
#include "platform/framework/resource_module.h"

class CWnd;
class CDocument;

// What the command line asks for.
struct CCommandLineInfo {
  enum ShellCommand { FileNew, FileOpen };
  ShellCommand m_nShellCommand = FileNew;
  std::string m_strFileName;
};

class CWinApp : public CCmdTarget {
 public:
  // Exactly one application object exists at a time; it becomes AfxGetApp().
  CWinApp(std::string appName, const platform::ResourceModule& resources);
  ~CWinApp() override;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance() { return TRUE; }
  // Runs the message loop until the main window closes; the exit code.
  virtual int Run();
  // Closes the document, its frame and view; the exit code.
  virtual int ExitInstance();

  // Opens path as the document (see CSingleDocTemplate::OpenDocumentFile).
  virtual CDocument* OpenDocumentFile(const std::string& path);
  // Tells the user that path could not be opened as a document.
  virtual void ReportOpenFailure(const std::string& path);

  void AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate);
  CSingleDocTemplate* GetDocTemplate() const { return docTemplate_.get(); }
  const platform::ResourceModule& GetResources() const { return resources_; }
  const std::string& GetAppName() const { return appName_; }

  // The arguments after the program's name.
  void SetCommandLine(std::vector<std::string> arguments) { arguments_ = std::move(arguments); }
  // One optional file name: the first argument that is not an option
  // ("-x"); after "--" every argument is a file name.
  void ParseCommandLine(CCommandLineInfo& info) const;
  // Creates a new document or opens the named file; FALSE on failure.
  BOOL ProcessShellCommand(const CCommandLineInfo& info);

  // The framework's standard handlers of ID_FILE_NEW and ID_FILE_OPEN.
  void OnFileNew();
  void OnFileOpen();

  CWnd* m_pMainWnd = nullptr;

 private:
  std::string appName_;
  const platform::ResourceModule& resources_;
  std::unique_ptr<CSingleDocTemplate> docTemplate_;
  std::vector<std::string> arguments_;
};

// The one application object, or null.
CWinApp* AfxGetApp();

// The program's entry: hands the arguments to the application, runs
// InitInstance and, when it succeeds, the message loop. Returns the exit
// code: 1 when there is no application or InitInstance fails.
int AfxWinMain(int argc, char** argv);
