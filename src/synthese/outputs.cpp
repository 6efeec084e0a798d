#include "synthese/outputs.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

namespace diag {

namespace {

// Text from a report in HTML: the five characters that can open markup or end an
// attribute as entities, control characters as spaces.
std::string html(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
        }
    }
    return out;
}

// The parts in turn, into one string that grows: no temporary strings between them.
void add(std::string& out, std::initializer_list<std::string_view> parts) {
    for (std::string_view part : parts) out += part;
}

std::string plural(int64_t n, std::string_view one, std::string_view many) {
    return std::to_string(n) + " " + std::string(n > 1 ? many : one);
}

std::string size(const std::optional<Size2>& s) {
    return s ? std::to_string(s->width) + " x " + std::to_string(s->height) : std::string();
}

// "08/12/2026 19:40" from "2026-12-08T19:40:12", already checked.
std::string frenchTime(std::string_view t) {
    return std::string(t.substr(8, 2)) + "/" + std::string(t.substr(5, 2)) + "/" + std::string(t.substr(0, 4)) + " " +
           std::string(t.substr(11, 5));
}

std::string outcomeWord(Outcome o) {
    return o == Outcome::Correct ? "correct" : o == Outcome::Incorrect ? "incorrect" : "non jugé";
}

// What the verdict says, in its line's words.
std::string verdictLine(const TillReport& r) {
    if (!r.hasVerdict) return "rapport de disposition " + std::to_string(r.layout) + ", sans verdict";
    if (r.outcome == Outcome::Correct) return "affichage correct";
    return r.line;
}

// "114 px en bas, 20 px à droite"
std::string cutSides(const CutWindow& w) {
    std::string out;
    auto side = [&](int64_t n, const char* where) {
        if (n > 0) out += (out.empty() ? "" : ", ") + std::to_string(n) + " px " + where;
    };
    side(w.left, "à gauche");
    side(w.top, "en haut");
    side(w.right, "à droite");
    side(w.bottom, "en bas");
    return out;
}

// The density and its percentage of 96 dpi, where it is one a screen can have.
std::string density(int64_t dpi) {
    if (dpi < 1 || dpi > 100000) return std::to_string(dpi) + " ppp";
    return std::to_string(dpi) + " ppp (" + std::to_string((dpi * 100 + 48) / 96) + " %)";
}

constexpr std::string_view kStyle = R"(
@page { size: A4 landscape; margin: 10mm; }
* { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
body { font-family: "Segoe UI", Arial, "Liberation Sans", sans-serif; font-size: 10pt; color: #1a1a1a; margin: 12px; }
h1 { font-size: 16pt; margin: 0 0 4px; }
h2 { font-size: 12pt; margin: 16px 0 6px; }
p { margin: 2px 0; }
.counts { font-size: 11pt; margin: 8px 0; }
.counts b { font-size: 13pt; }
table { border-collapse: collapse; width: 100%; }
th, td { border: 1px solid #b0b0b0; padding: 2px 4px; text-align: left; vertical-align: top; }
th { background: #e8e8e8; }
thead { display: table-header-group; }
tr { break-inside: avoid; }
.bars td { border: none; padding: 1px 4px; }
.bars .label { width: 32%; }
.bars .n { width: 6%; text-align: right; font-weight: bold; }
.bar { height: 12px; background: #c0392b; min-width: 1px; }
.bar.none { background: #7f8c8d; }
.sub .label { padding-left: 22px; }
.tills { font-size: 8.5pt; }
.tills td { white-space: nowrap; }
.tills td.w { white-space: normal; overflow-wrap: anywhere; }
.tills .line { width: 34%; }
.v { font-weight: bold; white-space: nowrap; }
.incorrect .v { color: #b0201a; }
.nonjuge .v { color: #5d6d7e; }
.correct .v { color: #1e7b34; }
code { font-size: 8pt; color: #444; }
.num { text-align: right; }
)";

void bar(std::string& out, std::string_view label, std::string_view code, int n, int tills, bool sub, bool judged) {
    int64_t width = tills > 0 ? (int64_t{n} * 1000 + tills / 2) / tills : 0; // tenths of a percent
    char percent[32];
    std::snprintf(percent, sizeof percent, "%d.%d%%", static_cast<int>(width / 10), static_cast<int>(width % 10));
    add(out, {"<tr", sub ? " class=\"sub\"" : "", "><td class=\"label\">", html(label)});
    if (!code.empty()) add(out, {" <code>", html(code), "</code>"});
    add(out, {"</td><td class=\"n\">", std::to_string(n), "</td><td><div class=\"bar", judged ? "" : " none",
              "\" style=\"width: ", percent, "\"></div></td></tr>\n"});
}

} // namespace

std::string_view causeLabel(std::string_view code) {
    static constexpr std::pair<std::string_view, std::string_view> kLabels[] = {
        {"till_window_cut", "fenêtre du logiciel de caisse coupée"},
        {"screen_too_small", "écran plus petit que la fenêtre classique"},
        {"taskbar", "barre des tâches sur la fenêtre classique"},
        {"text_enlarged", "caractères grossis"},
        {"stretched", "logiciel de caisse agrandi comme une image"},
        {"sign_out_pending", "session à fermer après un changement de taille du texte"},
        {"no_screen", "non jugé : rapport fait hors de l'écran de la caisse"},
        {"mode_unknown", "non jugé : résolution en vigueur non indiquée"},
        {"text_unmeasured", "non jugé : taille des caractères non mesurée"},
    };
    for (const auto& [c, label] : kLabels)
        if (c == code) return label;
    return code;
}

std::string fleetPage(const Fleet& fleet, std::string_view folder, const LocalTime& made) {
    int tills = fleet.tills();
    std::vector<const Till*> rows = fleet.tillsWorstFirst();
    char when[64];
    std::snprintf(when, sizeof when, "%02d/%02d/%04d à %02d:%02d", made.day, made.month, made.year, made.hour,
                  made.minute);
    int notRead = static_cast<int>(fleet.notRead().size());
    std::string out;
    out.reserve(4096 + rows.size() * 900);
    out += "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n"
           // Nothing of the page may run or load, whatever a report put in it.
           "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">\n"
           "<title>Synthèse des caisses</title>\n<style>";
    out += kStyle;
    out += "</style>\n</head>\n<body>\n<h1>Synthèse des caisses</h1>\n";
    add(out, {"<p>Rapports de diagreso du dossier « ", html(folder), " » et de ses sous-dossiers, lus le ", when,
              ".</p>\n"});
    int notJudged = fleet.count(Outcome::NotJudged);
    add(out, {"<p class=\"counts\" id=\"compte\"><b>", plural(tills, "caisse", "caisses"), "</b> : <b>",
              plural(fleet.count(Outcome::Correct), "correcte", "correctes"), "</b>, <b>",
              plural(fleet.count(Outcome::Incorrect), "incorrecte", "incorrectes"), "</b>, <b>",
              plural(notJudged, "non jugée", "non jugées"), "</b> ; ",
              plural(fleet.files(), "fichier .json", "fichiers .json"), ", dont ",
              plural(notRead, "non lu", "non lus"), ".</p>\n"});

    out += "<h2>Causes</h2>\n<p>Nombre de caisses dont le dernier rapport donne chaque cause (une caisse peut en "
           "avoir plusieurs).</p>\n<table class=\"bars\" id=\"causes\">\n";
    for (std::string_view code : kCauseCodes) {
        bool judged = code != "no_screen" && code != "mode_unknown" && code != "text_unmeasured";
        bar(out, causeLabel(code), code, fleet.withCause(code), tills, false, judged);
        if (code == "stretched")
            for (int64_t percent : fleet.stretches())
                bar(out, "à " + std::to_string(percent) + " %", {}, fleet.withCause(code, percent), tills, true, true);
    }
    int old = static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const Till* t) { return !t->latest.hasVerdict; }));
    bar(out, "non jugé : rapport d'une version sans verdict (disposition 1 ou 2)", {}, old, tills, false, false);
    out += "</table>\n";

    out += "<h2>Caisses, les moins bien réglées d'abord</h2>\n";
    if (rows.empty()) out += "<p>Aucun rapport lisible dans ce dossier.</p>\n";
    else {
        out += "<table class=\"tills\" id=\"caisses\">\n<thead><tr><th>Ordinateur</th><th>Utilisateur</th>"
               "<th>Verdict</th><th>Texte</th><th>Densité</th><th>Étirement</th><th>Résolution</th>"
               "<th>Origine</th><th>Espace de travail</th><th>Fenêtre coupée</th><th>Dernier rapport</th>"
               "<th>Rapports</th><th>Verdict changé</th></tr></thead>\n<tbody>\n";
        for (const Till* t : rows) {
            const TillReport& r = t->latest;
            std::string codes;
            for (const std::string& c : r.causes) codes += (codes.empty() ? "" : " ") + c;
            std::string_view kind = r.outcome == Outcome::Correct     ? "correct"
                                    : r.outcome == Outcome::Incorrect ? "incorrect"
                                                                      : "nonjuge";
            add(out, {"<tr class=\"", kind, "\"><td class=\"w\">", html(r.computer), "</td><td class=\"w\">",
                      html(r.user), "</td><td class=\"w line\"><span class=\"v\">", outcomeWord(r.outcome),
                      "</span> : ", html(verdictLine(r))});
            if (!codes.empty()) add(out, {" <code>", html(codes), "</code>"});
            add(out, {"</td><td>", html(r.textState.value_or("")), "</td><td>", r.dpi ? density(*r.dpi) : "",
                      "</td><td class=\"num\">", r.stretchPercent ? std::to_string(*r.stretchPercent) + " %" : "",
                      "</td><td>", size(r.current), "</td><td class=\"w\">", html(r.savedText), "</td><td>",
                      size(r.workArea), "</td><td class=\"w\">"});
            if (r.cut) add(out, {html(r.cut->program), " « ", html(r.cut->title), " » : ", cutSides(*r.cut)});
            add(out, {"</td><td>", frenchTime(r.time), "</td><td class=\"num\">", std::to_string(t->reports),
                      "</td><td>", t->changed() ? "oui" : "non", "</td></tr>\n"});
        }
        out += "</tbody>\n</table>\n";
    }

    out += "<h2>Fichiers non lus</h2>\n";
    if (fleet.notRead().empty()) out += "<p>Aucun : tous les fichiers .json du dossier ont été lus.</p>\n";
    else {
        out += "<table id=\"non-lus\">\n<thead><tr><th>Fichier</th><th>Pourquoi</th></tr></thead>\n<tbody>\n";
        for (const NotRead& n : fleet.notRead())
            add(out, {"<tr><td>", html(n.file), "</td><td>", html(n.reason), "</td></tr>\n"});
        out += "</tbody>\n</table>\n";
    }
    out += "</body>\n</html>\n";
    return out;
}

namespace {

// A text field: control characters other than line ends as spaces; a leading character
// that a spreadsheet would take for the start of a formula behind an apostrophe; quoted
// (RFC 4180) where it holds a separator, a quote or a line end.
std::string cell(std::string_view text) {
    std::string out;
    if (!text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos) out += '\'';
    bool quote = false;
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (c == '"') out += '"';
        if (c == ';' || c == '"' || c == '\r' || c == '\n') quote = true;
        out += (u < 0x20 && c != '\t' && c != '\r' && c != '\n') || u == 0x7F ? ' ' : c;
    }
    return quote ? "\"" + out + "\"" : out;
}

std::string number(std::optional<int64_t> n) { return n ? std::to_string(*n) : std::string(); }

} // namespace

std::string_view fleetTableHeader() {
    return "ordinateur;utilisateur;verdict;causes;raisons;texte;ppp;etirement_pourcent;resolution_largeur;"
           "resolution_hauteur;origine_largeur;origine_hauteur;espace_travail_largeur;espace_travail_hauteur;"
           "fenetre_coupee_programme;fenetre_coupee_titre;coupee_gauche;coupee_haut;coupee_droite;coupee_bas;"
           "dernier_rapport;rapports;verdict_change;disposition;fichier";
}

std::string fleetTable(const Fleet& fleet) {
    std::string out = "\xEF\xBB\xBF" + std::string(fleetTableHeader()) + "\r\n";
    auto width = [](const std::optional<Size2>& s) { return s ? std::optional<int64_t>(s->width) : std::nullopt; };
    auto height = [](const std::optional<Size2>& s) { return s ? std::optional<int64_t>(s->height) : std::nullopt; };
    for (const Till* t : fleet.tillsWorstFirst()) {
        const TillReport& r = t->latest;
        std::string codes;
        for (const std::string& c : r.causes) codes += (codes.empty() ? "" : " ") + c;
        std::string fields[] = {
            cell(r.computer), cell(r.user), cell(outcomeWord(r.outcome)), cell(codes), cell(verdictLine(r)),
            cell(r.textState.value_or("")), number(r.dpi), number(r.stretchPercent), number(width(r.current)),
            number(height(r.current)), number(width(r.saved)), number(height(r.saved)), number(width(r.workArea)),
            number(height(r.workArea)), cell(r.cut ? r.cut->program : ""), cell(r.cut ? r.cut->title : ""),
            number(r.cut ? std::optional<int64_t>(r.cut->left) : std::nullopt),
            number(r.cut ? std::optional<int64_t>(r.cut->top) : std::nullopt),
            number(r.cut ? std::optional<int64_t>(r.cut->right) : std::nullopt),
            number(r.cut ? std::optional<int64_t>(r.cut->bottom) : std::nullopt),
            r.time.substr(0, 10) + " " + r.time.substr(11), std::to_string(t->reports), t->changed() ? "oui" : "non",
            std::to_string(r.layout), cell(t->file),
        };
        for (const std::string& f : fields) add(out, {&f == fields ? "" : ";", f});
        out += "\r\n";
    }
    for (const NotRead& n : fleet.notRead())
        add(out, {";;non lu;;", cell(n.reason), std::string(20, ';'), cell(n.file), "\r\n"});
    return out;
}

} // namespace diag
