// What must hold after a capture file was walked into the record index, and
// after a page of it was drawn, whatever bytes the file held.
#pragma once

#include <cstddef>
#include <cstdint>

// The records the walk found: slots in buffer order, each record whole inside
// the buffer, writePos right after the last one, the index bounded, and the
// walk no shorter than the whole records of the copied bytes.
void checkIndexAfterRebuild(std::size_t copiedBytes);

// The first record on the page from topRow that cannot be laid out (length
// byte 17 to 127), or -1 when every row of the page can be drawn.
std::int32_t firstUndrawableRowOnPage();

// The text runs of the last DrawCapture: one data and one hex run for each
// row on the page, each holding exactly its record's bytes (at most 16
// characters, 48 hex cells), labels only from the record of their row, and
// nothing below the last row. `drawnRows` rows are expected.
void checkDrawnRows(int drawnRows);

// The caret after a completed draw or step: on the page, within the records,
// shown at its cell.
void checkCaretShown();

// The caret after a key: on a record of the store (row 0 when it is empty),
// in a column not left of the label, and on the page.
void checkCaretOnRecords();
