#pragma once
// SQLite's failures in the operator's words. SQLite's own texts are English; the failures a
// station's file meets (missing, damaged, locked, a full disk, no right to it) are told in
// Russian. A failing SQL statement (SQLite's plain "error": an unknown column or table) keeps
// SQLite's text after a Russian lead, as only that text says what the statement got wrong.
#include <string>

struct sqlite3;

namespace kvt::platform {

// The text for a result code (primary or extended) when no connection is at hand.
std::string sqliteErrorText(int resultCode);
// The text for the connection's last failure.
std::string sqliteErrorText(sqlite3* db);

}  // namespace kvt::platform
