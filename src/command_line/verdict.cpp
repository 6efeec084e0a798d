#include "command_line/verdict.h"

#include "command_line/json.h"
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

// Whatever would break the one line for a tool that follows Unicode's line breaks (the
// C0 and C1 controls, U+0085 among them, the line and paragraph separators U+2028 and
// U+2029, DEL: line ends in the system's words, bytes of a damaged record, a window's
// title) becomes a space.
std::string singleLine(std::string_view text) {
    std::string line;
    line.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        auto next = [&](size_t n) { return i + n < text.size() ? static_cast<unsigned char>(text[i + n]) : 0; };
        if (c < 0x20 || c == 0x7F) {
            line += ' ';
        } else if (c == 0xC2 && next(1) >= 0x80 && next(1) <= 0x9F) {
            line += ' ';
            i += 1;
        } else if (c == 0xE2 && next(1) == 0x80 && (next(2) == 0xA8 || next(2) == 0xA9)) {
            line += ' ';
            i += 2;
        } else {
            line += text[i];
        }
    }
    return line;
}

// One line, cut where too long on a character's boundary and ended with an ellipsis.
std::string oneLine(std::string_view text) {
    std::string line = singleLine(text);
    if (line.size() <= kMostVerdictLineBytes) return line;
    constexpr std::string_view kEllipsis = "…";
    size_t cut = kMostVerdictLineBytes - kEllipsis.size();
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    return line.substr(0, cut) + std::string(kEllipsis);
}

std::string pixels(int32_t count) { return std::to_string(count) + (count > 1 ? " pixels" : " pixel"); }

// The figures of a cause, as JSON members.
std::string figures(std::initializer_list<std::pair<const char*, std::string>> members) {
    std::string out;
    for (const auto& [key, json] : members) out += (out.empty() ? "\"" : ", \"") + std::string(key) + "\": " + json;
    return out;
}

std::string nullOr(std::optional<uint32_t> value) { return value ? std::to_string(*value) : "null"; }

void add(Verdict& verdict, const char* code, std::string reason, std::string figures = {}) {
    verdict.reasons.push_back(std::move(reason));
    verdict.causes.push_back({code, std::move(figures)});
}

// The work area, or the whole screen where the system does not tell it.
ScreenRect workArea(const Findings& found) {
    return found.monitor ? found.monitor->work : ScreenRect{0, 0, found.current->width, found.current->height};
}

// The classic window as designed, and as drawn where Windows enlarges it.
std::string classicWindow(const Findings& found) {
    uint32_t dpi = tillDrawnDpi(found);
    WindowSize drawn = drawnSize(kClassicWindowWidth, kWindowHeight, dpi);
    return "la fenêtre classique du logiciel de caisse (" + size(kClassicWindowWidth, kWindowHeight) +
           (dpi > kStandardDpi ? ", dessinée en " + size(drawn.width, drawn.height) : std::string()) + ")";
}

// "10 pixels en hauteur et 2 pixels en largeur"; empty for none.
std::string amount(int32_t wide, int32_t high) {
    std::string text = high > 0 ? pixels(high) + " en hauteur" : "";
    if (wide > 0) text += (text.empty() ? "" : " et ") + pixels(wide) + " en largeur";
    return text;
}

// Why the classic window, as drawn, does not fit the work area: the pixels hidden, by the
// screen's edge or by the taskbar, and the ways out.
void notInWorkArea(Verdict& verdict, const Findings& found) {
    const ModeReading& mode = *found.current;
    ScreenRect area = workArea(found);
    WindowSize drawn = drawnSize(kClassicWindowWidth, kWindowHeight, tillDrawnDpi(found));
    // How much of the window, across and down, lies beyond the screen, and how much more
    // beyond the work area only: under the taskbar.
    int32_t offWide = std::max(0, drawn.width - mode.width), offHigh = std::max(0, drawn.height - mode.height);
    int32_t barWidth = mode.width - area.width, barHeight = mode.height - area.height;
    int32_t underWide = std::max(0, drawn.width - area.width) - offWide;
    int32_t underHigh = std::max(0, drawn.height - area.height) - offHigh;
    std::string under = amount(underWide, underHigh);
    bool screenTooSmall = offWide > 0 || offHigh > 0;
    std::string reason = screenTooSmall ? "écran de " + size(mode.width, mode.height) + ", plus petit que " +
                                              classicWindow(found) + " : " + amount(offWide, offHigh) +
                                              " hors de l'écran" +
                                              (under.empty() ? "" : " et " + under + " sous la barre des tâches")
                                        : "la barre des tâches cache " + under + " de " + classicWindow(found);
    WindowSize atLeast{std::max(mode.width, drawn.width + std::max(0, barWidth)),
                       std::max(mode.height, drawn.height + std::max(0, barHeight))};
    std::string wayOut = "choisissez une résolution d'au moins " + size(atLeast.width, atLeast.height);
    add(verdict, screenTooSmall ? "screen_too_small" : "taskbar",
        reason + " ; " + (screenTooSmall ? wayOut : "masquez automatiquement la barre des tâches ou " + wayOut),
        figures({{"window", jsonOf(drawn)},
                 {"off_screen", jsonOf(WindowSize{offWide, offHigh})},
                 {"under_taskbar", jsonOf(WindowSize{underWide, underHigh})},
                 {"at_least", jsonOf(atLeast)}}));
}

// A measured window cut by the edge of its screen or by the taskbar: which side, by how
// much, and why.
void cutWindow(Verdict& verdict, const ProgramWindow& window, const WindowView& view) {
    Beyond under{view.hidden.left - view.offScreen.left, view.hidden.top - view.offScreen.top,
                 view.hidden.right - view.offScreen.right, view.hidden.bottom - view.offScreen.bottom};
    struct Side {
        const char* where;
        int32_t offScreen, under;
    } sides[] = {
        {"à gauche", view.offScreen.left, under.left},
        {"en haut", view.offScreen.top, under.top},
        {"à droite", view.offScreen.right, under.right},
        {"en bas", view.offScreen.bottom, under.bottom},
    };
    std::string cut;
    for (const Side& side : sides) {
        if (side.offScreen <= 0 && side.under <= 0) continue;
        cut += (cut.empty() ? "" : ", ") +
               (side.offScreen > 0 ? pixels(side.offScreen) + " " + side.where + " hors de l'écran" : std::string()) +
               (side.offScreen > 0 && side.under > 0 ? " et " : "") +
               (side.under > 0 ? pixels(side.under) + (side.offScreen > 0 ? std::string() : std::string(" ") + side.where) +
                                     " sous la barre des tâches"
                               : std::string());
    }
    const ScreenRect& r = window.rect;
    add(verdict, "till_window_cut",
        "la fenêtre « " + singleLine(window.title) + " » de " + *window.program + " (" + size(r.width, r.height) +
            ") est coupée : " + cut +
            " ; ramenez-la dans l'espace de travail, masquez automatiquement la barre des tâches ou choisissez une "
            "résolution plus grande",
        figures({{"program", jsonString(*window.program)},
                 {"off_screen", jsonOf(view.offScreen)},
                 {"under_taskbar", jsonOf(under)}}));
}

// What a till whose text is enlarged shows: a blurred picture where Windows enlarges the
// point-of-sale program, texts too large for their frames where it gives it the density.
void enlarged(Verdict& verdict, const Findings& found, bool classicFits) {
    const TextReading& text = *found.text;
    std::optional<uint32_t> density = text.dpiNow;
    if (!density && text.dpi > 0) density = static_cast<uint32_t>(text.dpi);
    uint32_t dpi = tillDrawnDpi(found);
    std::string reason = "caractères Grossie : la taille des caractères de Windows doit être de 96 ppp ou 100 %";
    if (dpi <= kStandardDpi && density.value_or(0) > kStandardDpi)
        reason += " ; Windows donne sa densité au logiciel de caisse : ses textes grandissent et débordent de leurs "
                  "cadres";
    add(verdict, "text_enlarged", reason,
        figures({{"dpi", nullOr(density)},
                 {"percent", density ? std::to_string(percentOfStandardDensity(*density)) : "null"}}));
    if (dpi > kStandardDpi) {
        WindowSize drawn = drawnSize(kClassicWindowWidth, kWindowHeight, dpi);
        ScreenRect area = workArea(found);
        add(verdict, "stretched",
            "Windows agrandit le logiciel de caisse comme une image, à " +
                std::to_string(percentOfStandardDensity(dpi)) + " %, et il est flou : sa fenêtre classique couvre " +
                size(drawn.width, drawn.height) + " pixels et " + (classicFits ? "tient" : "ne tient pas") +
                " dans l'espace de travail (" + size(area.width, area.height) + ")",
            figures({{"stretch_percent", std::to_string(percentOfStandardDensity(dpi))},
                     {"width", std::to_string(drawn.width)},
                     {"height", std::to_string(drawn.height)},
                     {"fits", classicFits ? "true" : "false"}}));
    }
}

// The measured windows of the point-of-sale program: those of a program that said which
// it is.
std::vector<const ProgramWindow*> measured(const Findings& found) {
    std::vector<const ProgramWindow*> windows;
    if (found.till)
        for (const ProgramWindow& window : found.till->windows)
            if (window.program) windows.push_back(&window);
    return windows;
}

const ProgramWindow* mainWindow(const Findings& found) {
    uint32_t stretch = found.text ? found.text->stretchDpi : kStandardDpi;
    for (const ProgramWindow* window : measured(found))
        if (isMainWindow(*window, stretch)) return window;
    return nullptr;
}

} // namespace

uint32_t percentOfStandardDensity(uint32_t dpi) { return (dpi * 100 + kStandardDpi / 2) / kStandardDpi; }

uint32_t unawareStretchDpi(std::string_view osVersion, uint32_t dpi, std::optional<bool> xpStyleTicked) {
    unsigned major = 0;
    std::from_chars(osVersion.data(), osVersion.data() + osVersion.size(), major);
    bool stretches = major >= 10  ? dpi > kStandardDpi
                     : major == 6 ? dpi > kStandardDpi && (xpStyleTicked ? !*xpStyleTicked : dpi >= 144)
                                  : false;
    return stretches ? dpi : kStandardDpi;
}

Beyond beyond(const ScreenRect& r, const ScreenRect& area) {
    return {std::max(0, area.left - r.left), std::max(0, area.top - r.top),
            std::max(0, r.left + r.width - area.left - area.width),
            std::max(0, r.top + r.height - area.top - area.height)};
}

std::string jsonOf(const WindowSize& size) { return jsonNumbers({{"width", size.width}, {"height", size.height}}); }

std::string jsonOf(const Beyond& b) {
    return jsonNumbers({{"left", b.left}, {"top", b.top}, {"right", b.right}, {"bottom", b.bottom}});
}

WindowSize drawnSize(int32_t width, int32_t height, uint32_t dpi) {
    auto scaled = [&](int32_t length) {
        return static_cast<int32_t>((static_cast<int64_t>(length) * dpi + kStandardDpi / 2) / kStandardDpi);
    };
    return {scaled(width), scaled(height)};
}

WindowView viewOf(const ProgramWindow& window) {
    const MonitorArea& monitor = window.monitor;
    WindowView view;
    view.seen = window.rect;
    if (window.maximized) {
        Beyond out = beyond(window.rect, monitor.work);
        int32_t left = std::min(window.border, out.left), right = std::min(window.border, out.right);
        int32_t top = std::min(window.border, out.top), bottom = std::min(window.border, out.bottom);
        view.seen = {window.rect.left + left, window.rect.top + top, window.rect.width - left - right,
                     window.rect.height - top - bottom};
    }
    const ScreenRect &client = window.client, &screen = monitor.screen;
    view.fullScreen = client.width > 0 && client.height > 0 && client.left <= screen.left && client.top <= screen.top &&
                      client.left + client.width >= screen.left + screen.width &&
                      client.top + client.height >= screen.top + screen.height;
    view.offScreen = beyond(view.seen, screen);
    view.hidden = view.fullScreen ? view.offScreen : beyond(view.seen, monitor.work);
    return view;
}

bool isMainWindow(const ProgramWindow& window, uint32_t systemStretchDpi) {
    if (window.owned) return false;
    uint32_t dpi = window.scaling == DpiScaling::Application ? kStandardDpi : systemStretchDpi;
    WindowSize classic = drawnSize(kClassicWindowWidth, kWindowHeight, dpi);
    ScreenRect seen = viewOf(window).seen;
    return int64_t(seen.width) * 100 >= int64_t(classic.width) * kMainWindowPercent &&
           int64_t(seen.height) * 100 >= int64_t(classic.height) * kMainWindowPercent;
}

uint32_t tillDrawnDpi(const Findings& found) {
    if (!found.text) return kStandardDpi;
    std::optional<DpiScaling> scaling;
    if (const ProgramWindow* main = mainWindow(found)) {
        scaling = main->scaling;
    } else if (found.till && !found.till->layers.empty()) {
        const std::vector<CompatLayer>& layers = found.till->layers;
        DpiScaling first = layers.front().scaling;
        if (std::all_of(layers.begin(), layers.end(), [&](const CompatLayer& l) { return l.scaling == first; }))
            scaling = first;
    }
    return scaling == DpiScaling::Application ? kStandardDpi : found.text->stretchDpi;
}

Verdict decideVerdict(const Findings& found) {
    Verdict verdict;
    if (!found.text) {
        add(verdict, "no_screen", sessionReason(found.session));
        return verdict;
    }
    if (!found.text->heightPx) add(verdict, "text_unmeasured", kTextUnknownReason);
    if (!found.current) add(verdict, "mode_unknown", kModeUnknownReason);
    if (!verdict.reasons.empty()) return verdict;
    const TextReading& text = *found.text;
    ScreenRect area = workArea(found);
    uint32_t dpi = tillDrawnDpi(found);
    auto fits = [&](int32_t width) {
        WindowSize drawn = drawnSize(width, kWindowHeight, dpi);
        return drawn.width <= area.width && drawn.height <= area.height;
    };
    verdict.classicFits = fits(kClassicWindowWidth);
    verdict.wideFits = fits(kWideWindowWidth);
    if (text.enlarged) enlarged(verdict, found, *verdict.classicFits);
    if (text.dpiAtSignIn && text.dpiNow && *text.dpiAtSignIn != *text.dpiNow)
        add(verdict, "sign_out_pending",
            "taille du texte changée sans fermer la session Windows (" + std::to_string(*text.dpiAtSignIn) +
                " ppp à l'ouverture de la session, " + std::to_string(*text.dpiNow) +
                " ppp maintenant) : fermez la session Windows pour que la nouvelle taille s'applique partout",
            figures({{"dpi_at_sign_in", std::to_string(*text.dpiAtSignIn)}, {"dpi_now", std::to_string(*text.dpiNow)}}));
    // Any window of the point-of-sale program that is cut is cut; its main window, where it
    // runs, settles what the sizes only foretell.
    for (const ProgramWindow* window : measured(found)) {
        WindowView view = viewOf(*window);
        if (view.hidden.any()) cutWindow(verdict, *window, view);
    }
    if (!mainWindow(found) && !*verdict.classicFits) notInWorkArea(verdict, found);
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
        uint32_t dpi = tillDrawnDpi(found);
        // Each window as designed and, where Windows enlarges it, as drawn on the screen.
        auto window = [&](int32_t width) {
            WindowSize drawn = drawnSize(width, kWindowHeight, dpi);
            return size(width, kWindowHeight) +
                   (dpi > kStandardDpi ? ", " + size(drawn.width, drawn.height) + " à l'écran" : std::string());
        };
        line += " Résolution actuelle : " + size(mode.width, mode.height) +
                (area.width != mode.width || area.height != mode.height
                     ? ", espace de travail " + size(area.width, area.height)
                     : std::string()) +
                " ; ";
        // Where the program's main window runs, it is what the person sees: the sizes
        // foretold are not told beside it.
        if (const ProgramWindow* main = mainWindow(found)) {
            ScreenRect seen = viewOf(*main).seen;
            line += "la fenêtre principale du logiciel de caisse (" + *main->program + ", " +
                    size(seen.width, seen.height) + ") " +
                    (viewOf(*main).hidden.any() ? "y est coupée." : "s'y affiche entière.");
        } else {
            line += "la fenêtre classique (" + window(kClassicWindowWidth) + ") " +
                    (*verdict.classicFits ? "y tient" : "n'y tient pas") + ", la fenêtre élargie (" +
                    window(kWideWindowWidth) + ") " + (*verdict.wideFits ? "y tient" : "n'y tient pas") + ".";
        }
    }
    return oneLine(line + " " + savedPart(found));
}

} // namespace diag
