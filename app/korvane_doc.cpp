#include "app/korvane_doc.h"

// Reads and writes nothing: the document has no content of its own.
void CKORVANEDoc::Serialize(CArchive& /*ar*/) {}

// There is nothing of the document's own to reset.
BOOL CKORVANEDoc::OnNewDocument() { return CDocument::OnNewDocument(); }
