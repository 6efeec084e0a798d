#include "synthese/report_reading.h"

#include "synthese/json_reader.h"

#include <algorithm>
#include <initializer_list>

namespace diag {

namespace {

// What a till's row keeps of a string, whatever the file holds: the row's memory grows
// with the number of tills, not with the size of their files.
constexpr size_t kMostNameBytes = 256;
constexpr size_t kMostLineBytes = 2048;

// Cut on a character's boundary, with an ellipsis.
std::string clipped(std::string_view text, size_t most) {
    if (text.size() <= most) return std::string(text);
    constexpr std::string_view kEllipsis = "…";
    size_t cut = most - kEllipsis.size();
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return std::string(text.substr(0, cut)) + std::string(kEllipsis);
}

using Kind = JsonValue::Kind;

// Reads the members of a report, noting the first one that has not the form its layout
// gives it.
class Members {
  public:
    Members(const JsonValue& root, int layout) : root_(root), layout_(layout) {}

    const std::string& problem() const { return problem_; }

    // A member of `object` (the report's own where none) of one of the kinds; nullptr
    // where it is absent or null and `optional`, or where it has another form (noted).
    const JsonValue* get(std::string_view name, std::initializer_list<Kind> kinds, bool optional = false,
                         const JsonValue* object = nullptr, std::string_view shownAs = {}) {
        const JsonValue* v = (object ? object : &root_)->find(name);
        if ((!v || v->isNull()) && optional) return nullptr;
        if (v && std::find(kinds.begin(), kinds.end(), v->kind) != kinds.end()) return v;
        note(shownAs.empty() ? name : shownAs, v != nullptr);
        return nullptr;
    }
    void note(std::string_view name, bool present) {
        if (!problem_.empty()) return;
        problem_ = std::string(present ? "le membre « " : "il manque le membre « ") + std::string(name) +
                   (present ? " » n'a pas la forme d'un rapport de disposition " : " » d'un rapport de disposition ") +
                   std::to_string(layout_);
    }
    std::optional<int64_t> integer(std::string_view name, const JsonValue* object, std::string_view shownAs,
                                   bool optional = true) {
        const JsonValue* v = get(name, {Kind::Integer}, optional, object, shownAs);
        return v ? std::optional<int64_t>(v->integer) : std::nullopt;
    }
    std::optional<Size2> size(std::string_view name) {
        const JsonValue* v = get(name, {Kind::Object}, true);
        if (!v) return std::nullopt;
        std::string at(name);
        auto w = integer("width", v, at + ".width", false), h = integer("height", v, at + ".height", false);
        if (!w || !h) return std::nullopt;
        return Size2{*w, *h};
    }

  private:
    const JsonValue& root_;
    int layout_;
    std::string problem_;
};

bool startsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }

// The code behind a French reason of layouts 3 and 4, by how it begins.
std::optional<std::string_view> causeOfReason(std::string_view reason) {
    static constexpr std::pair<std::string_view, std::string_view> kBeginnings[] = {
        {"caractères Grossie", "text_enlarged"},
        {"taille du texte changée sans fermer la session Windows", "sign_out_pending"},
        {"la fenêtre « ", "till_window_cut"},
        {"écran de ", "screen_too_small"},
        {"la barre des tâches cache", "taskbar"},
        {"le système n'a pas indiqué la résolution en vigueur", "mode_unknown"},
        {"la taille des caractères de Windows n'a pas pu être mesurée", "text_unmeasured"},
        {"ce programme tourne dans", "no_screen"},
    };
    for (const auto& [beginning, code] : kBeginnings)
        if (startsWith(reason, beginning)) {
            if (code == "till_window_cut" && reason.find("est coupée") == std::string_view::npos) return std::nullopt;
            return code;
        }
    return std::nullopt;
}

// Layout 4 tells the stretch inside the enlarged text's reason: "… comme une image, à 125 %".
std::optional<int64_t> stretchInReason(std::string_view reason) {
    constexpr std::string_view kStretched = "Windows agrandit le logiciel de caisse comme une image, à ";
    size_t at = reason.find(kStretched);
    if (at == std::string_view::npos) return std::nullopt;
    int64_t percent = 0;
    size_t i = at + kStretched.size(), from = i;
    for (; i < reason.size() && i < from + 6 && reason[i] >= '0' && reason[i] <= '9'; ++i)
        percent = percent * 10 + (reason[i] - '0');
    if (i == from || reason.substr(i, 2) != " %") return std::nullopt;
    return percent;
}

bool isTime(std::string_view t) {
    constexpr std::string_view kForm = "0000-00-00T00:00:00";
    if (t.size() != kForm.size()) return false;
    for (size_t i = 0; i < t.size(); ++i)
        if (kForm[i] == '0' ? t[i] < '0' || t[i] > '9' : t[i] != kForm[i]) return false;
    return true;
}

std::string jsonProblem(const JsonReading& r) {
    std::string at = " (octet " + std::to_string(r.offset) + ")";
    switch (r.problem) {
    case JsonProblem::None: break;
    case JsonProblem::NotUtf8: return "ce n'est pas du texte UTF-8" + at;
    case JsonProblem::CutShort: return "le fichier est coupé avant la fin du JSON";
    case JsonProblem::TooDeep:
        return "JSON imbriqué sur plus de " + std::to_string(kMostJsonDepth) + " niveaux, ce n'est pas un rapport";
    case JsonProblem::Syntax: return "ce n'est pas du JSON" + at;
    }
    return {};
}

void readVerdict(Members& m, TillReport& r) {
    const JsonValue* verdict = m.get("verdict", {Kind::Object});
    if (!verdict) return;
    const JsonValue* ok = m.get("ok", {Kind::Boolean}, true, verdict, "verdict.ok");
    r.outcome = !ok ? Outcome::NotJudged : ok->boolean ? Outcome::Correct : Outcome::Incorrect;
    r.hasVerdict = true;
    const JsonValue* reasons = m.get("reasons", {Kind::Array}, false, verdict, "verdict.reasons");
    if (!reasons) return;
    for (const JsonValue& reason : reasons->items) {
        if (reason.kind != Kind::String) return m.note("verdict.reasons", true);
        if (r.line.size() <= kMostLineBytes)
            r.line += (r.line.empty() ? "" : " ; ") + reason.text.substr(0, kMostLineBytes);
    }
    r.line = clipped(r.line, kMostLineBytes);
    if (r.layout >= 5) {
        const JsonValue* causes = m.get("causes", {Kind::Array}, false, verdict, "verdict.causes");
        if (!causes) return;
        for (const JsonValue& cause : causes->items) {
            const JsonValue* code = m.get("code", {Kind::String}, false, &cause, "verdict.causes[].code");
            if (!code) return;
            if (!isCauseCode(code->text)) return m.note("verdict.causes[].code", true);
            if (r.causes.size() < kMostCauses) r.causes.push_back(code->text);
            if (code->text == "stretched")
                r.stretchedAt = m.integer("stretch_percent", &cause, "verdict.causes[].stretch_percent", false);
        }
        return;
    }
    for (const JsonValue& reason : reasons->items) {
        auto code = causeOfReason(reason.text);
        if (!code || r.causes.size() >= kMostCauses) continue;
        r.causes.emplace_back(*code);
        if (*code == "text_enlarged" && r.layout >= 4 && r.causes.size() < kMostCauses) {
            if (auto percent = stretchInReason(reason.text)) {
                r.causes.emplace_back("stretched");
                r.stretchedAt = *percent;
            }
        }
    }
}

// The first window of the point-of-sale program that is cut (layout 4 and later; a
// window whose process would not say its program is not judged).
void readCut(Members& m, TillReport& r) {
    const JsonValue* windows = m.get("till_windows", {Kind::Array}, true);
    if (!windows) return;
    for (const JsonValue& w : windows->items) {
        const JsonValue* program = m.get("program", {Kind::String}, true, &w, "till_windows[].program");
        const JsonValue* title = m.get("title", {Kind::String}, false, &w, "till_windows[].title");
        const JsonValue* hidden = m.get("hidden", {Kind::Object}, false, &w, "till_windows[].hidden");
        if (!hidden || !title) return;
        int64_t side[4] = {};
        const char* names[4] = {"left", "top", "right", "bottom"};
        for (int i = 0; i < 4; ++i) {
            auto n = m.integer(names[i], hidden, "till_windows[].hidden", false);
            if (!n) return;
            side[i] = std::max<int64_t>(0, *n);
        }
        if (!program || r.cut || (side[0] | side[1] | side[2] | side[3]) == 0) continue;
        r.cut = CutWindow{clipped(program->text, kMostNameBytes), clipped(title->text, kMostNameBytes),
                          side[0], side[1], side[2], side[3]};
    }
}

// Digits only, few enough for a screen's size.
std::optional<int64_t> wholeText(std::string_view text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    int64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

} // namespace

bool isCauseCode(std::string_view code) {
    return std::find(std::begin(kCauseCodes), std::end(kCauseCodes), code) != std::end(kCauseCodes);
}

ReportReading readReport(std::string_view bytes) {
    if (bytes.size() > kMostReportBytes) return {std::nullopt, kTooLargeReason};
    // The members the summary reads; the display's modes, the largest part, are not kept.
    static const std::vector<std::string_view> kRead = {"program", "schema", "version", "computer", "time", "session",
                                                        "verdict", "text", "current", "saved", "work_area",
                                                        "till_windows"};
    JsonReading json = readJson(bytes, &kRead);
    if (json.problem != JsonProblem::None) return {std::nullopt, jsonProblem(json)};
    const JsonValue& root = json.value;
    const JsonValue* program = root.find("program");
    if (root.kind != Kind::Object || !program || program->kind != Kind::String || program->text != "diagreso")
        return {std::nullopt, "ce n'est pas un rapport de diagreso"};

    TillReport r;
    // Layout 1 had no member "schema".
    const JsonValue* schema = root.find("schema");
    if (!schema) {
        r.layout = 1;
    } else if (schema->kind != Kind::Integer || schema->integer < 2) {
        return {std::nullopt, "le membre « schema » n'est pas une disposition de rapport"};
    } else if (schema->integer > kNewestReportLayout) {
        return {std::nullopt, "rapport de disposition " + std::to_string(schema->integer) +
                                  ", plus récente que celles que cette version de diagreso lit (1 à " +
                                  std::to_string(kNewestReportLayout) + ")"};
    } else {
        r.layout = static_cast<int>(schema->integer);
    }

    Members m(root, r.layout);
    if (const JsonValue* v = m.get("version", {Kind::String})) r.version = clipped(v->text, kMostNameBytes);
    if (const JsonValue* v = m.get("computer", {Kind::String})) r.computer = clipped(v->text, kMostNameBytes);
    if (const JsonValue* v = m.get("time", {Kind::String})) r.time = v->text;
    if (r.layout >= 2) {
        if (const JsonValue* session = m.get("session", {Kind::Object}))
            if (const JsonValue* user = m.get("user", {Kind::String}, false, session, "session.user")) {
                r.user = clipped(user->text, kMostNameBytes);
                r.userKnown = true;
            }
    }
    if (r.layout >= 3) readVerdict(m, r);
    if (const JsonValue* text = m.get("text", {Kind::Object}, r.layout >= 2)) {
        if (const JsonValue* state = m.get("state", {Kind::String}, true, text, "text.state"))
            r.textState = clipped(state->text, kMostNameBytes);
        r.dpi = m.integer("dpi", text, "text.dpi");
        if (r.layout >= 4) {
            r.stretchPercent = m.integer("stretch_percent", text, "text.stretch_percent", false);
        }
    }
    r.current = m.size("current");
    // Layout 1 wrote zeros for a mode the system did not tell.
    if (r.current && *r.current == Size2{}) r.current.reset();
    if (const JsonValue* saved = m.get("saved", {Kind::Object}, true)) {
        const JsonValue* w = m.get("width", {Kind::String}, true, saved, "saved.width");
        const JsonValue* h = m.get("height", {Kind::String}, true, saved, "saved.height");
        if (w && h) {
            r.savedText = clipped(w->text + " x " + h->text, kMostNameBytes);
            auto width = wholeText(w->text), height = wholeText(h->text);
            if (width && height) r.saved = Size2{*width, *height};
        }
    }
    if (r.layout >= 4) {
        r.workArea = m.size("work_area");
        readCut(m, r);
    }
    if (!m.problem().empty()) return {std::nullopt, m.problem()};
    if (r.computer.empty()) return {std::nullopt, "le rapport ne nomme pas son ordinateur"};
    if (!isTime(r.time)) return {std::nullopt, "l'heure du rapport n'a pas la forme AAAA-MM-JJThh:mm:ss"};
    return {std::move(r), {}};
}

} // namespace diag
