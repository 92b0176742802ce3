// The about box, template 100.
#pragma once

#include "platform/framework/cdialog.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg();

 protected:
  void DoDataExchange(CDataExchange* dx) override;
};
