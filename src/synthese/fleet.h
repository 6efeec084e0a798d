#pragma once
// The fleet: the reports of a folder counted till by till. One till is one computer (its
// name compared as Windows compares names, case aside); its latest report (by its time)
// gives its row.
#include "synthese/report_reading.h"

#include <map>
#include <string>
#include <vector>

namespace diag {

struct Till {
    TillReport latest;
    std::string file;       // the latest report's file, relative to the folder
    int reports = 0;        // how many reports of this till the folder holds
    // The earliest report's time, file, outcome and causes: the verdict changed where
    // either of the last two differs from the latest's.
    struct Verdict {
        std::string time, file;
        Outcome outcome = Outcome::NotJudged;
        std::vector<std::string> causes;
    } earliest;
    bool changed() const;
};

struct NotRead {
    std::string file;   // relative to the folder; a subfolder ends with a separator
    std::string reason; // French, without a final full stop
};

class Fleet {
  public:
    // A file read, or not. `file` relative to the folder.
    void add(std::string file, ReportReading reading);
    void addNotRead(std::string file, std::string reason);

    // The tills, worst first: incorrect (most causes first), not judged, correct; then by
    // name.
    std::vector<const Till*> tillsWorstFirst() const;
    const std::vector<NotRead>& notRead() const { return notRead_; }
    int files() const { return files_; }
    int tills() const { return static_cast<int>(tills_.size()); }
    int count(Outcome outcome) const;
    // How many tills have the cause in their latest report; for "stretched", those
    // stretched at `percent` where one is given.
    int withCause(std::string_view code, std::optional<int64_t> percent = std::nullopt) const;
    // The stretches the tills' latest reports give the cause "stretched", smallest first.
    std::vector<int64_t> stretches() const;

  private:
    std::map<std::string, Till> tills_; // by the name as compared
    std::vector<NotRead> notRead_;
    int files_ = 0;
};

} // namespace diag
