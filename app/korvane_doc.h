// The document of the monitor. It holds nothing: all capture data lives in
// the process-wide MonitorState.
#pragma once

#include "platform/framework/cdocument.h"

class CKORVANEDoc : public CDocument {
 public:
  static constexpr const char* kClassName = "CKORVANEDoc";

  void Serialize(CArchive& ar) override;
  BOOL OnNewDocument() override;
};
