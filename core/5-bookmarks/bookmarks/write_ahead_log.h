#pragma once

#include <string>
#include <string_view>

namespace kestrin {

// The database as SQLite reads it with its write-ahead log ("-wal"): the pages of every
// transaction the log holds whole written over the database's own, the database then as
// long as the last such transaction left it, and marked as one without a log. A log that
// is damaged, belongs to another database or breaks off counts as far as its last whole
// transaction, as SQLite counts it; an empty log, or one that holds none, adds nothing.
void ApplyWriteAheadLog(std::string& database, std::string_view log);

}  // namespace kestrin
