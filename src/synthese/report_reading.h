#pragma once
// One report of a till, as /synthese reads it: every layout of /rapport from 1 to 5, with
// what each has. The verdict's causes are the report's own codes (layout 5), or read from
// the beginnings of its French reasons (layouts 3 and 4); layouts 1 and 2 have no verdict.
// Anything else is not read, with its reason in French.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace diag {

// The newest layout this version reads.
inline constexpr int kNewestReportLayout = 5;

// The largest file taken for a report. A till's report is some 5 to 40 KB (most of it the
// display's modes); 1 MiB would list some 15,000 modes.
inline constexpr size_t kMostReportBytes = 1024 * 1024;
inline constexpr const char* kTooLargeReason = "plus grand que 1 Mio, la taille la plus grande d'un rapport";

enum class Outcome { Correct, Incorrect, NotJudged };

// The most causes a till's row keeps.
inline constexpr size_t kMostCauses = 32;

// The codes of the verdict's causes, as layout 5 writes them, in the order the page lists
// them.
inline constexpr std::string_view kCauseCodes[] = {
    "till_window_cut", "screen_too_small", "taskbar", "text_enlarged", "stretched",
    "sign_out_pending", "no_screen", "mode_unknown", "text_unmeasured",
};
bool isCauseCode(std::string_view code);

struct Size2 {
    int64_t width = 0, height = 0;
    bool operator==(const Size2&) const = default;
};

// A window of the point-of-sale program cut by the screen's edge or the taskbar: its
// pixels beyond the work area on each side.
struct CutWindow {
    std::string program, title;
    int64_t left = 0, top = 0, right = 0, bottom = 0;
};

struct TillReport {
    int layout = 0;
    std::string version, computer, user, time; // time as written: YYYY-MM-DDThh:mm:ss
    bool userKnown = false;                     // layout 2 and later
    Outcome outcome = Outcome::NotJudged;
    bool hasVerdict = false;                    // layout 3 and later
    std::string line;                           // the reasons, French, as written, joined by " ; "
    std::vector<std::string> causes;            // codes, one per reason that has one
    std::optional<int64_t> stretchedAt;         // the cause "stretched": how much
    std::optional<int64_t> stretchPercent;      // text.stretch_percent (layout 4 and later)
    std::optional<std::string> textState;       // "Normale" or "Grossie"
    std::optional<int64_t> dpi;
    std::optional<Size2> current, workArea;
    std::optional<Size2> saved;                 // the saved texts, where both are whole numbers
    std::string savedText;                      // the saved resolution as stored ("1280 x 1024"), any text
    std::optional<CutWindow> cut;               // the first measured window that is cut
};

struct ReportReading {
    std::optional<TillReport> report;
    std::string problem; // French, without a final full stop: why the file is not read
};

// The bytes of one file.
ReportReading readReport(std::string_view bytes);

} // namespace diag
