#pragma once
// The string table: every user-visible text under its numeric id, UTF-8.

namespace res {

// The text with this id, or nullptr when the table has none.
const char* findString(unsigned id);

}  // namespace res

// The loaded text of string id (an empty text when the table has none). The
// texts live in static data for the life of the process, so callers may hold
// the pointer; the Windows program's shared 1024-character load buffer, whose
// every load overwrote the previous text, is not reproduced.
const char* LoadStr(unsigned id);
