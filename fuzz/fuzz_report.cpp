// Arbitrary bytes as a file of a folder of reports: read as /synthese reads it, then, when
// it is a report, counted and written into the page and the table. Nothing may crash or
// abort; what is read keeps its bounds; the page holds no markup and the table no cell a
// spreadsheet would run that came from the bytes.
#include "synthese/fleet.h"
#include "synthese/json_reader.h"
#include "synthese/outputs.h"
#include "synthese/report_reading.h"

#include "invariant.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using fuzz::fail;
using fuzz::g_input;

// Every row of the table: 25 fields (RFC 4180 quoting), none beginning as a formula but a
// whole number.
void checkTable(const std::string& table) {
    if (table.compare(0, 3, "\xEF\xBB\xBF") != 0) fail("the table begins with a byte-order mark");
    std::vector<std::string> fields(1);
    bool quoted = false;
    auto endRow = [&] {
        if (fields.size() != 25) fail("a row of 25 fields");
        for (const std::string& f : fields) {
            bool number = !f.empty() && f.find_first_not_of("-0123456789") == std::string::npos;
            if (!f.empty() && !number && std::string_view("=+-@\t\r").find(f[0]) != std::string_view::npos)
                fail("a cell that begins as a formula");
        }
        fields.assign(1, {});
    };
    for (size_t i = 3; i < table.size(); ++i) {
        char c = table[i];
        if (quoted) {
            if (c == '"' && i + 1 < table.size() && table[i + 1] == '"') fields.back() += table[i++];
            else if (c == '"') quoted = false;
            else fields.back() += c;
        } else if (c == '"' && fields.back().empty()) {
            quoted = true;
        } else if (c == ';') {
            fields.emplace_back();
        } else if (c == '\r' && i + 1 < table.size() && table[i + 1] == '\n') {
            endRow();
            ++i;
        } else if (c == '\r' || c == '\n' || c == '"') {
            fail("a line end or a quote outside quotes");
        } else {
            fields.back() += c;
        }
    }
    if (quoted || fields.size() != 1 || !fields[0].empty()) fail("the table ends with a whole row");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_input = std::string_view(reinterpret_cast<const char*>(data), size);
    diag::JsonReading json = diag::readJson(g_input);
    if (json.problem != diag::JsonProblem::None && json.offset > size) fail("a problem beyond the text");
    diag::ReportReading reading = diag::readReport(g_input);
    if (reading.report.has_value() != reading.problem.empty()) fail("either a report or a reason");
    if (reading.report) {
        const diag::TillReport& r = *reading.report;
        if (r.layout < 1 || r.layout > diag::kNewestReportLayout) fail("a layout this version reads");
        if (r.computer.empty() || r.computer.size() > 256 || r.user.size() > 256) fail("names within bounds");
        if (r.line.size() > 2048 || r.causes.size() > 32) fail("the line and the causes within bounds");
        for (const std::string& c : r.causes)
            if (!diag::isCauseCode(c)) fail("a documented cause code");
        if (json.problem != diag::JsonProblem::None) fail("a report is JSON");
    }
    diag::Fleet fleet;
    fleet.add("a.json", reading);
    fleet.add("b.json", std::move(reading));
    if (fleet.tillsWorstFirst().size() != static_cast<size_t>(fleet.tills())) fail("every till has its row");
    std::string page = diag::fleetPage(fleet, g_input.substr(0, 64), {2026, 12, 10, 14, 3, 0});
    for (const char* markup : {"<script", "<img", "<iframe", "<object", "<svg", "<a "})
        if (page.find(markup) != std::string::npos) fail("no markup from the bytes in the page");
    checkTable(diag::fleetTable(fleet));
    return 0;
}
