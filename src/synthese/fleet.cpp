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
    // Of two reports of the same second, the one read last (files in order of their
    // names), so that the result does not hang on the order the system lists them in.
    bool earlier = !isNew && report.time < till.earliest.time;
    bool later = isNew || report.time >= till.latest.time;
    if (isNew || earlier) till.earliest = {report.time, report.outcome, report.causes};
    if (later) {
        till.latest = std::move(report);
        till.file = std::move(file);
    }
}

void Fleet::addNotRead(std::string file, std::string reason) { notRead_.push_back({std::move(file), std::move(reason)}); }

std::vector<const Till*> Fleet::tillsWorstFirst() const {
    std::vector<const Till*> tills;
    tills.reserve(tills_.size());
    for (const auto& [name, till] : tills_) tills.push_back(&till);
    // The map's order is the names' (case aside): a stable sort keeps it within a rank.
    std::stable_sort(tills.begin(), tills.end(), [](const Till* a, const Till* b) {
        int ba = badness(a->latest.outcome), bb = badness(b->latest.outcome);
        if (ba != bb) return ba < bb;
        return a->latest.causes.size() > b->latest.causes.size();
    });
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
    std::vector<int64_t> found;
    for (const auto& [name, till] : tills_)
        if (till.latest.stretchedAt &&
            std::find(till.latest.causes.begin(), till.latest.causes.end(), "stretched") != till.latest.causes.end())
            found.push_back(*till.latest.stretchedAt);
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

} // namespace diag
