#include "synthese/fleet.h"

#include "app/values.h"

#include <algorithm>

namespace diag {

namespace {

// What the outcome and causes of a report amount to, and how bad: incorrect first.
int badness(Outcome o) { return o == Outcome::Incorrect ? 0 : o == Outcome::NotJudged ? 1 : 2; }

} // namespace

bool Till::changed() const { return earliest.outcome != latest.outcome || earliest.causes != latest.causes; }

void Fleet::add(std::string file, ReportReading reading) {
    ++files_;
    if (!reading.report) return notRead_.push_back({std::move(file), std::move(reading.problem)});
    TillReport& report = *reading.report;
    auto [it, isNew] = tills_.try_emplace(lowerAscii(report.computer));
    Till& till = it->second;
    ++till.reports;
    // Of two reports of the same second, the one whose file's name comes last is the
    // later, so that the result does not hang on the order the system lists them in.
    bool earlier = !isNew && (report.time < till.earliest.time ||
                              (report.time == till.earliest.time && file < till.earliest.file));
    bool later = isNew || report.time > till.latest.time || (report.time == till.latest.time && file > till.file);
    if (isNew || earlier) till.earliest = {report.time, file, report.outcome, report.causes};
    if (later) {
        till.latest = std::move(report);
        till.file = std::move(file);
    }
}

void Fleet::addNotRead(std::string file, std::string reason) { notRead_.push_back({std::move(file), std::move(reason)}); }

std::vector<const Till*> Fleet::tillsWorstFirst() const {
    std::vector<const Till*> tills;
    tills.reserve(tills_.size());
    // Rank by rank, in the map's order (the names', case aside) within each: no sort.
    for (int bad = 0; bad < 3; ++bad)
        for (size_t causes = kMostCauses + 1; causes-- > 0;)
            for (const auto& [name, till] : tills_)
                if (badness(till.latest.outcome) == bad && std::min(till.latest.causes.size(), kMostCauses) == causes)
                    tills.push_back(&till);
    return tills;
}

int Fleet::count(Outcome outcome) const {
    return static_cast<int>(std::count_if(tills_.begin(), tills_.end(),
                                          [&](const auto& t) { return t.second.latest.outcome == outcome; }));
}

int Fleet::withCause(std::string_view code, std::optional<int64_t> percent) const {
    return static_cast<int>(std::count_if(tills_.begin(), tills_.end(), [&](const auto& t) {
        const TillReport& r = t.second.latest;
        bool has = std::find(r.causes.begin(), r.causes.end(), code) != r.causes.end();
        return has && (!percent || r.stretchedAt == percent);
    }));
}

std::vector<int64_t> Fleet::stretches() const {
    // Few values (125, 150, 175 %...): each put in its place as it comes.
    std::vector<int64_t> found;
    for (const auto& [name, till] : tills_) {
        const TillReport& r = till.latest;
        if (!r.stretchedAt || std::find(r.causes.begin(), r.causes.end(), "stretched") == r.causes.end()) continue;
        auto at = std::lower_bound(found.begin(), found.end(), *r.stretchedAt);
        if (at == found.end() || *at != *r.stretchedAt) found.insert(at, *r.stretchedAt);
    }
    return found;
}

} // namespace diag
