#pragma once
// What /synthese writes: the page (synthese.html) and the table (synthese.csv). Every
// string in them that comes from a report is untrusted: the page escapes it, the table
// quotes it and keeps a spreadsheet from taking it for a formula.
#include "app/clock.h"
#include "synthese/fleet.h"

#include <string>
#include <string_view>

namespace diag {

// The French words of a cause code, for the page's bars.
std::string_view causeLabel(std::string_view code);

// One self-contained French page (no script, no outside resource), printable in A4
// landscape: the counts, a bar per cause, the tills worst first, the files not read.
// `folder` as the user named it; `made` when.
std::string fleetPage(const Fleet& fleet, std::string_view folder, const LocalTime& made);

// For a spreadsheet in a French locale: UTF-8 with a byte-order mark, ';' between
// fields, CRLF, a first row of column names, one row per till, then one per file not
// read; whole numbers only.
std::string fleetTable(const Fleet& fleet);

// The columns of fleetTable, fixed.
std::string_view fleetTableHeader();

} // namespace diag
