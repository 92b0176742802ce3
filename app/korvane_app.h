// The application object: start-up, the about box, the setup dialog, and
// opening capture files as the document.
#pragma once

#include <string>

#include "platform/framework/cwinapp.h"

class CKORVANEApp : public CWinApp {
 public:
  CKORVANEApp();

  BOOL InitInstance() override;
  // Tells what each port still open received, then closes the document.
  int ExitInstance() override;
  // Opens the file as the document, then shows its records.
  CDocument* OpenDocumentFile(const std::string& path) override;
  BOOL OnCmdMsg(UINT id) override;

  void OnAppAbout();
  void OnSetup();
};
