#include "command_line/verdict.h"

#include "store/paths.h"
#include "store/saved_resolution.h"
#include "store/whole_file.h"

#include <algorithm>
#include <charconv>

namespace diag {

namespace {

std::string size(int32_t width, int32_t height) { return std::to_string(width) + " x " + std::to_string(height); }

std::string joined(const std::vector<std::string>& parts) {
    std::string all;
    for (const std::string& part : parts) all += (all.empty() ? "" : " ; ") + part;
    return all;
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

std::string pixels(int32_t count) { return std::to_string(count) + (count > 1 ? " pixels" : " pixel"); }

// The work area, or the whole screen where the system does not tell it.
ScreenRect workArea(const Findings& found) {
    return found.monitor ? found.monitor->work : ScreenRect{0, 0, found.current->width, found.current->height};
}

// The classic window as designed, and as drawn where Windows enlarges it.
std::string classicWindow(const TextReading& text) {
    WindowSize drawn = drawnSize(kClassicWindowWidth, kWindowHeight, text.stretchDpi);
    return "la fenêtre classique du logiciel de caisse (" + size(kClassicWindowWidth, kWindowHeight) +
           (text.stretchDpi > kStandardDpi ? ", dessinée en " + size(drawn.width, drawn.height) : std::string()) +
           ")";
}

// "10 pixels en hauteur et 2 pixels en largeur"; empty for none.
std::string amount(int32_t wide, int32_t high) {
    std::string text = high > 0 ? pixels(high) + " en hauteur" : "";
    if (wide > 0) text += (text.empty() ? "" : " et ") + pixels(wide) + " en largeur";
    return text;
}

// Why the classic window, as drawn, does not fit the work area: the pixels hidden, by the
// screen's edge or by the taskbar, and the ways out.
std::string notInWorkArea(const Findings& found) {
    const ModeReading& mode = *found.current;
    ScreenRect area = workArea(found);
    WindowSize drawn = drawnSize(kClassicWindowWidth, kWindowHeight, found.text->stretchDpi);
    // How much of the window, across and down, lies beyond the screen, and how much more
    // beyond the work area only: under the taskbar.
    int32_t offWide = std::max(0, drawn.width - mode.width), offHigh = std::max(0, drawn.height - mode.height);
    int32_t barWidth = mode.width - area.width, barHeight = mode.height - area.height;
    std::string under = amount(std::max(0, drawn.width - area.width) - offWide,
                               std::max(0, drawn.height - area.height) - offHigh);
    bool screenTooSmall = offWide > 0 || offHigh > 0;
    std::string reason = screenTooSmall ? "écran de " + size(mode.width, mode.height) + ", plus petit que " +
                                              classicWindow(*found.text) + " : " + amount(offWide, offHigh) +
                                              " hors de l'écran" +
                                              (under.empty() ? "" : " et " + under + " sous la barre des tâches")
                                        : "la barre des tâches cache " + under + " de " + classicWindow(*found.text);
    std::string wayOut = "choisissez une résolution d'au moins " +
                         size(std::max(mode.width, drawn.width + std::max(0, barWidth)),
                              std::max(mode.height, drawn.height + std::max(0, barHeight)));
    return reason + " ; " + (screenTooSmall ? wayOut : "masquez automatiquement la barre des tâches ou " + wayOut);
}

// A measured window cut by the edge of its screen or by the taskbar: which side, by how
// much, and why; none where it shows whole.
std::optional<std::string> cutWindow(const ProgramWindow& window) {
    const ScreenRect& r = window.rect;
    Beyond hidden = beyond(r, window.monitor.work), off = beyond(r, window.monitor.screen);
    struct Side {
        const char* where;
        int32_t hidden, offScreen;
    } sides[] = {
        {"à gauche", hidden.left, off.left},
        {"en haut", hidden.top, off.top},
        {"à droite", hidden.right, off.right},
        {"en bas", hidden.bottom, off.bottom},
    };
    std::string cut;
    for (const Side& side : sides)
        if (side.hidden > 0)
            cut += (cut.empty() ? "" : ", ") + pixels(side.hidden) + " " + side.where +
                   (side.offScreen > 0 ? " hors de l'écran" : " sous la barre des tâches");
    if (cut.empty()) return std::nullopt;
    return "la fenêtre « " + window.title + " » de " + window.program.value_or("?") + " (" +
           size(r.width, r.height) + ") est coupée : " + cut +
           " ; ramenez-la dans l'espace de travail, masquez automatiquement la barre des tâches ou choisissez une "
           "résolution plus grande";
}

// What a till whose text is enlarged shows: a blurred picture where Windows enlarges the
// point-of-sale program, texts too large for their frames where it gives it the density.
std::string enlargedReason(const Findings& found, bool classicFits) {
    const TextReading& text = *found.text;
    std::string reason = "caractères Grossie : la taille des caractères de Windows doit être de 96 ppp ou 100 %";
    uint32_t density = text.dpiNow.value_or(static_cast<uint32_t>(std::max(text.dpi, 0)));
    if (text.stretchDpi > kStandardDpi) {
        WindowSize drawn = drawnSize(kClassicWindowWidth, kWindowHeight, text.stretchDpi);
        ScreenRect area = workArea(found);
        reason += " ; Windows agrandit le logiciel de caisse comme une image, à " +
                  std::to_string(percentOfStandardDensity(text.stretchDpi)) +
                  " %, et il est flou : sa fenêtre classique couvre " + size(drawn.width, drawn.height) +
                  " pixels et " + (classicFits ? "tient" : "ne tient pas") + " dans l'espace de travail (" +
                  size(area.width, area.height) + ")";
    } else if (density > kStandardDpi) {
        reason += " ; Windows donne sa densité au logiciel de caisse : ses textes grandissent et débordent de leurs "
                  "cadres";
    }
    return reason;
}

} // namespace

uint32_t percentOfStandardDensity(uint32_t dpi) { return (dpi * 100 + kStandardDpi / 2) / kStandardDpi; }

uint32_t unawareStretchDpi(std::string_view osVersion, uint32_t dpi, std::optional<uint32_t> xpStyleOff) {
    unsigned major = 0;
    std::from_chars(osVersion.data(), osVersion.data() + osVersion.size(), major);
    bool stretches = major >= 10  ? dpi > kStandardDpi
                     : major == 6 ? dpi >= 144 || (dpi > kStandardDpi && xpStyleOff == 1u)
                                  : false;
    return stretches ? dpi : kStandardDpi;
}

Beyond beyond(const ScreenRect& r, const ScreenRect& area) {
    return {std::max(0, area.left - r.left), std::max(0, area.top - r.top),
            std::max(0, r.left + r.width - area.left - area.width),
            std::max(0, r.top + r.height - area.top - area.height)};
}

WindowSize drawnSize(int32_t width, int32_t height, uint32_t dpi) {
    auto scaled = [&](int32_t length) {
        return static_cast<int32_t>((static_cast<int64_t>(length) * dpi + kStandardDpi - 1) / kStandardDpi);
    };
    return {scaled(width), scaled(height)};
}

Verdict decideVerdict(const Findings& found) {
    Verdict verdict;
    if (!found.text) {
        verdict.reasons.push_back(sessionReason(found.session));
        return verdict;
    }
    if (!found.text->heightPx) verdict.reasons.push_back(kTextUnknownReason);
    if (!found.current) verdict.reasons.push_back(kModeUnknownReason);
    if (!verdict.reasons.empty()) return verdict;
    const TextReading& text = *found.text;
    ScreenRect area = workArea(found);
    auto fits = [&](int32_t width) {
        WindowSize drawn = drawnSize(width, kWindowHeight, text.stretchDpi);
        return drawn.width <= area.width && drawn.height <= area.height;
    };
    verdict.classicFits = fits(kClassicWindowWidth);
    verdict.wideFits = fits(kWideWindowWidth);
    if (text.enlarged) verdict.reasons.push_back(enlargedReason(found, *verdict.classicFits));
    if (text.dpiAtSignIn && text.dpiNow && *text.dpiAtSignIn != *text.dpiNow)
        verdict.reasons.push_back("taille du texte changée sans fermer la session Windows (" +
                                  std::to_string(*text.dpiAtSignIn) + " ppp à l'ouverture de la session, " +
                                  std::to_string(*text.dpiNow) +
                                  " ppp maintenant) : fermez la session Windows pour que la nouvelle taille "
                                  "s'applique partout");
    // A window of the point-of-sale program that runs settles what the sizes only foretell.
    bool measured = false;
    for (const ProgramWindow& window : found.tillWindows.value_or(std::vector<ProgramWindow>{})) {
        if (!window.program) continue; // a process that would not say which program it runs
        measured = true;
        if (auto cut = cutWindow(window)) verdict.reasons.push_back(*cut);
    }
    if (!measured && !*verdict.classicFits) verdict.reasons.push_back(notInWorkArea(found));
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
    if (found.current && found.text && verdict.classicFits && verdict.wideFits) {
        const ModeReading& mode = *found.current;
        ScreenRect area = workArea(found);
        // Each window as designed and, where Windows enlarges it, as drawn on the screen.
        auto window = [&](int32_t width) {
            WindowSize drawn = drawnSize(width, kWindowHeight, found.text->stretchDpi);
            return size(width, kWindowHeight) + (found.text->stretchDpi > kStandardDpi
                                                     ? ", " + size(drawn.width, drawn.height) + " à l'écran"
                                                     : std::string());
        };
        line += " Résolution actuelle : " + size(mode.width, mode.height) +
                (area.width != mode.width || area.height != mode.height
                     ? ", espace de travail " + size(area.width, area.height)
                     : std::string()) +
                " ; la fenêtre classique (" + window(kClassicWindowWidth) + ") " +
                (*verdict.classicFits ? "y tient" : "n'y tient pas") + ", la fenêtre élargie (" +
                window(kWideWindowWidth) + ") " + (*verdict.wideFits ? "y tient" : "n'y tient pas") + ".";
    }
    return oneLine(line + " " + savedPart(found));
}

} // namespace diag
