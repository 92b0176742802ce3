#include "res/string_table.h"

#include "res/resource.h"

std::string loadSystemString(UINT id) {
  switch (id) {
    case IDR_MAINFRAME:
      // Window title, document name (none: the default name), new-document
      // type, filter name, filter extension, file type id and file type name.
      return "KORVANE\n\nKORVAN\nKORVAN Files (*.kvn)\n.kvn\nKORVANE.Document\nKORVAN Document";
    case AFX_IDS_APP_TITLE:
      return "KORVANE";
    default:
      return {};
  }
}
