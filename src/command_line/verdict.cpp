#include "command_line/verdict.h"

#include "store/paths.h"
#include "store/saved_resolution.h"
#include "store/whole_file.h"

namespace diag {

namespace {

std::string size(int32_t width, int32_t height) { return std::to_string(width) + " x " + std::to_string(height); }

std::string joined(const std::vector<std::string>& parts) {
    std::string all;
    for (const std::string& part : parts) all += (all.empty() ? "" : " ; ") + part;
    return all;
}

// The density as the display settings show it: a percentage of the standard 96 dpi, to
// the nearest whole one (120 dpi: 125 %).
uint32_t percentOfStandardDensity(uint32_t dpi) {
    constexpr uint32_t kStandardDpi = 96;
    return (dpi * 100 + kStandardDpi / 2) / kStandardDpi;
}

// The density, as a percentage too, and the text size setting where it is set.
std::string textSettings(const TextReading& text) {
    std::string settings = text.dpi > 0 ? std::to_string(text.dpi) + " ppp, soit " +
                                              std::to_string(percentOfStandardDensity(text.dpi)) + " %"
                                        : "densité inconnue";
    if (text.scalePercent) settings += ", « Agrandir le texte » à " + std::to_string(*text.scalePercent) + " %";
    return settings;
}

// Record 1 holds MM-DD-YYYY: told day first, as a French reader reads a date.
std::string savedOn(const std::string& since) {
    auto digits = [&](size_t at, size_t count) {
        for (size_t i = at; i < at + count; ++i)
            if (since[i] < '0' || since[i] > '9') return false;
        return true;
    };
    if (since.size() >= 10 && digits(0, 2) && since[2] == '-' && digits(3, 2) && since[5] == '-' && digits(6, 4))
        return "enregistrée le " + since.substr(3, 2) + "/" + since.substr(0, 2) + "/" + since.substr(6, 4);
    return "date d'enregistrement « " + since + " »";
}

std::string savedPart(const Findings& found) {
    const SavedReading& saved = found.saved;
    std::string file = "le fichier " + std::string(kRecordFileName) + " de « " +
                       std::string(folderOf(found.recordFile)) + " »";
    switch (saved.state) {
    case SavedReading::State::Absent:
        return "Aucune résolution d'origine : pas de fichier " + std::string(kRecordFileName) + " dans « " +
               std::string(folderOf(found.recordFile)) + " ».";
    case SavedReading::State::NotInitialised: return "Aucune résolution d'origine : " + file + " n'en contient pas.";
    case SavedReading::State::Unreadable:
        return "Résolution d'origine illisible : " + file + " n'a pas pu être lu (" + saved.reason + ").";
    case SavedReading::State::Texts: break;
    }
    return "Résolution d'origine : " + saved.width + " x " + saved.height + " en " + saved.bits + " bits, " +
           savedOn(saved.since) + (saved.error.empty() ? "." : ", inutilisable par /retour.");
}

// Control characters (line ends in the system's words, bytes of a damaged record) become
// spaces; a line too long is cut on a character's boundary and ends with an ellipsis.
std::string oneLine(std::string line) {
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    if (line.size() <= kMostVerdictLineBytes) return line;
    constexpr std::string_view kEllipsis = "…";
    size_t cut = kMostVerdictLineBytes - kEllipsis.size();
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    return line.substr(0, cut) + std::string(kEllipsis);
}

} // namespace

Verdict decideVerdict(const Findings& found) {
    Verdict verdict;
    if (!found.text) {
        verdict.reasons.push_back(sessionReason(found.session));
        return verdict;
    }
    if (!found.text->heightPx) verdict.reasons.push_back(kTextUnknownReason);
    if (!found.current) verdict.reasons.push_back(kModeUnknownReason);
    if (!verdict.reasons.empty()) return verdict;
    const ModeReading& mode = *found.current;
    verdict.classicFits = mode.width >= kClassicWindowWidth && mode.height >= kWindowHeight;
    verdict.wideFits = mode.width >= kWideWindowWidth && mode.height >= kWindowHeight;
    if (found.text->enlarged)
        verdict.reasons.push_back("caractères Grossie : la taille des caractères de Windows doit être de 96 ppp ou "
                                  "100 %");
    if (!*verdict.classicFits)
        verdict.reasons.push_back("écran de " + size(mode.width, mode.height) +
                                  ", plus petit que la fenêtre classique du logiciel de caisse (" +
                                  size(kClassicWindowWidth, kWindowHeight) + ")");
    verdict.ok = verdict.reasons.empty();
    return verdict;
}

std::string verdictLine(const std::string& computer, const Findings& found, const Verdict& verdict) {
    std::string line = computer + " : ";
    if (!verdict.ok)
        line += "affichage non vérifié : " + joined(verdict.reasons) + ".";
    else
        line += *verdict.ok ? "affichage correct." : "affichage incorrect : " + joined(verdict.reasons) + ".";
    if (found.text)
        line += std::string(" Caractères : ") +
                (!found.text->heightPx ? "taille inconnue" : found.text->enlarged ? "Grossie" : "Normale") + " (" +
                textSettings(*found.text) + ").";
    if (found.current && verdict.classicFits && verdict.wideFits)
        line += " Résolution actuelle : " + size(found.current->width, found.current->height) +
                " ; la fenêtre classique (" + size(kClassicWindowWidth, kWindowHeight) + ") " +
                (*verdict.classicFits ? "y tient" : "n'y tient pas") + ", la fenêtre élargie (" +
                size(kWideWindowWidth, kWindowHeight) + ") " + (*verdict.wideFits ? "y tient" : "n'y tient pas") +
                ".";
    return oneLine(line + " " + savedPart(found));
}

} // namespace diag
