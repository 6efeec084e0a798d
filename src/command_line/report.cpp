#include "command_line/report.h"

#include "app/error_report.h"
#include "app/errors.h"
#include "store/paths.h"
#include "store/store_errors.h"
#include "app/values.h"
#include "command_line/json.h"
#include "command_line/verdict.h"
#include "store/record_file.h"
#include "store/saved_resolution.h"
#include "store/whole_file.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <optional>

namespace diag {

namespace {

// The report's layout: 2 added the session, the displays, the system's version and the
// text size setting, and let text and current be null; 3 added the verdict; 4 the stretch
// and the densities at sign-in and now, the work area, the windows as drawn and the
// point-of-sale program's own windows; 5 the verdict's causes, what the till's windows show
// (off the screen, maximised, full screen, the main one), the folder searched, the
// compatibility layers and the stretch the drawn windows follow.
constexpr int kReportSchema = 5;

// A driver that never says "no more" cannot keep the report going for ever.
constexpr uint32_t kMostModeNumbers = 65536;

ModeReading valuesOf(const DevModeRecord& r) {
    return {r.dmPelsWidth(), r.dmPelsHeight(), r.dmBitsPerPel(), r.dmDisplayFrequency()};
}

void appendMode(std::string& out, const ModeReading& m) {
    out += jsonNumbers({{"width", m.width}, {"height", m.height}, {"bits", m.bits}, {"frequency", m.frequency}});
}

// Every distinct mode, in the order the system numbers them (it lists some more than once).
std::vector<ModeReading> offeredModes(DisplayApi& display) {
    std::vector<ModeReading> modes;
    DevModeRecord record;
    for (uint32_t n = 0; n < kMostModeNumbers && display.enumSettings(n, record); ++n) {
        ModeReading mode = valuesOf(record);
        if (std::find(modes.begin(), modes.end(), mode) == modes.end()) modes.push_back(mode);
    }
    return modes;
}

// Read as the window's test buttons read their captions: the width before the x, the
// height after it.
void appendTest(std::string& out, const std::string& caption, const std::vector<ModeReading>& modes, uint32_t bits) {
    CaptionParts parts = splitCaption(caption);
    int32_t width = toInt32(readNumber(parts.width));
    int32_t height = toInt32(readNumber(parts.height));
    bool offered = std::any_of(modes.begin(), modes.end(), [&](const ModeReading& m) {
        return m.width == width && m.height == height && m.bits == bits;
    });
    JsonMembers(out, ", ")
        .text("caption", caption)
        .number("width", width)
        .number("height", height)
        .raw("offered", offered ? "true" : "false")
        .close();
}

// The stored texts as the window shows them; nothing without an initialised file; the
// French message when the file cannot be read, or beside the texts when the revert would
// refuse them.
SavedReading readSaved() {
    using State = SavedReading::State;
    SavedReading saved;
    try {
        Module1 scratch;
        SavedFile file = readSavedFile(scratch);
        if (file.state == SavedFile::State::Absent) return saved;
        if (file.state == SavedFile::State::NotInitialised) {
            saved.state = State::NotInitialised;
            return saved;
        }
        saved.state = State::Texts;
        saved.width = file.width;
        saved.height = file.height;
        saved.bits = file.bits;
        saved.since = file.since;
        if (file.refused) try {
                std::rethrow_exception(file.refused);
            } catch (const AppError& e) {
                saved.error = describeError(e);
            }
    } catch (const FileError& e) {
        saved = {State::Unreadable, {}, {}, {}, {}, describeError(e), e.reason()};
    }
    return saved;
}

void appendSaved(std::string& out, const SavedReading& saved) {
    using State = SavedReading::State;
    if (saved.state == State::Absent || saved.state == State::NotInitialised) return void(out += "null");
    JsonMembers members(out, ", ");
    if (saved.state == State::Texts)
        members.text("width", saved.width)
            .text("height", saved.height)
            .text("bits", saved.bits)
            .text("since", saved.since);
    if (!saved.error.empty()) members.text("error", saved.error);
    members.close();
}

template <class T>
std::string nullOr(const std::optional<T>& value) {
    return value ? std::to_string(*value) : "null";
}

const char* boolean(bool value) { return value ? "true" : "false"; }

void appendSession(std::string& out, const SessionInfo& s) {
    JsonMembers(out, ", ")
        .number("id", s.id)
        .raw("console_id", nullOr(s.consoleId))
        .text("window_station", s.windowStation)
        .raw("visible", boolean(s.visible))
        .raw("remote", boolean(s.remote))
        .text("user", s.user)
        .raw("shows_the_screen", boolean(s.showsTheScreen()))
        .close();
}

// What the window shows of the system text, and the settings behind it. The session's
// density stays as it was at sign-in; the primary monitor's is the one Windows enlarges
// the point-of-sale program to.
TextReading readText(const ReportSources& sources, const std::vector<DisplayDevice>& displays) {
    TextReading text;
    text.heightPx = systemFontHeight(sources.font);
    text.dpi = systemDpi(sources.font);
    text.scalePercent = sources.session.textScalePercent();
    text.enlarged = isEnlarged(text.heightPx);
    auto primary = std::find_if(displays.begin(), displays.end(), [](const DisplayDevice& d) { return d.primary; });
    if (primary != displays.end() && primary->dpi && text.dpi > 0) {
        text.dpiNow = primary->dpi;
        text.dpiAtSignIn = static_cast<uint32_t>(text.dpi);
    }
    text.stretchDpi = unawareStretchDpi(sources.session.osVersion(),
                                        text.dpiNow.value_or(static_cast<uint32_t>(std::max(text.dpi, 0))),
                                        sources.session.xpStyleScalingTicked());
    return text;
}

void appendText(std::string& out, const TextReading& text) {
    JsonMembers(out, ", ")
        .raw("state", !text.heightPx ? "null" : text.enlarged ? "\"Grossie\"" : "\"Normale\"")
        .raw("height_px", nullOr(text.heightPx))
        .raw("dpi", text.dpi > 0 ? std::to_string(text.dpi) : "null")
        .raw("scale_percent", nullOr(text.scalePercent))
        .number("stretch_percent", percentOfStandardDensity(text.stretchDpi))
        .raw("dpi_at_sign_in", nullOr(text.dpiAtSignIn))
        .raw("dpi_now", nullOr(text.dpiNow))
        .close();
}

void appendRect(std::string& out, const ScreenRect& r) {
    out += jsonNumbers({{"left", r.left}, {"top", r.top}, {"width", r.width}, {"height", r.height}});
}

const char* scalingName(DpiScaling scaling) {
    switch (scaling) {
    case DpiScaling::Application: return "application";
    case DpiScaling::System: break;
    case DpiScaling::SystemEnhanced: return "system_enhanced";
    }
    return "system";
}

// A window of the point-of-sale program, and how many of the pixels the person at the
// till would see of it are hidden on each side: beyond the work area of its monitor (all
// of the monitor for a full-screen one), and beyond the monitor itself.
void appendTillWindow(std::string& out, const ProgramWindow& w, uint32_t systemStretchDpi) {
    const ScreenRect& r = w.rect;
    WindowView view = viewOf(w);
    JsonMembers(out, ", ")
        .raw("program", w.program ? jsonString(*w.program) : "null")
        .text("title", w.title)
        .numbers({{"left", r.left}, {"top", r.top}, {"width", r.width}, {"height", r.height}})
        .raw("hidden", jsonOf(view.hidden))
        .raw("awareness", w.awareness ? jsonString(*w.awareness) : "null")
        .raw("off_screen", jsonOf(view.offScreen))
        .boolean("maximized", w.maximized)
        .boolean("full_screen", view.fullScreen)
        .boolean("main", w.program && isMainWindow(w, systemStretchDpi))
        .close();
}

void appendLayer(std::string& out, const CompatLayer& layer) {
    JsonMembers(out, ", ")
        .text("program", layer.program)
        .text("path", layer.path)
        .text("hive", layer.hive)
        .text("layers", layer.layers)
        .text("scaling", scalingName(layer.scaling))
        .close();
}

const char* nullOrBoolean(std::optional<bool> value) { return value ? boolean(*value) : "null"; }

// A JSON array, each item written by `append`: one a line, or all on one (`oneLine`).
template <class Items, class Append> std::string arrayOf(const Items& items, Append append, bool oneLine = false) {
    std::string out = "[";
    for (const auto& item : items) {
        out += out.size() == 1 ? (oneLine ? "" : "\r\n    ") : (oneLine ? ", " : ",\r\n    ");
        append(out, item);
    }
    out += out.size() > 1 && !oneLine ? "\r\n  ]" : "]";
    return out;
}

void appendVerdict(std::string& out, const Verdict& verdict) {
    std::string reasons = arrayOf(
        verdict.reasons, [](std::string& text, const std::string& reason) { text += jsonString(reason); }, true);
    JsonMembers(out, ", ")
        .raw("ok", nullOrBoolean(verdict.ok))
        .raw("reasons", reasons)
        .raw("classic_window_fits", nullOrBoolean(verdict.classicFits))
        .raw("wide_window_fits", nullOrBoolean(verdict.wideFits))
        .raw("causes", arrayOf(
                           verdict.causes,
                           [](std::string& text, const Cause& cause) {
                               text += "{\"code\": " + jsonString(cause.code) +
                                       (cause.figures.empty() ? "" : ", " + cause.figures) + "}";
                           },
                           true))
        .close();
}

void appendDisplay(std::string& out, const DisplayDevice& d) {
    JsonMembers(out, ", ")
        .text("device", d.device)
        .raw("primary", boolean(d.primary))
        .numbers({{"left", d.left}, {"top", d.top}, {"width", d.width}, {"height", d.height}, {"bits", d.bits},
                  {"frequency", d.frequency}})
        .raw("dpi", nullOr(d.dpi))
        .close();
}

std::string timeText(const LocalTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

} // namespace

Findings gatherFindings(const ReportSources& sources, const SessionInfo& session) {
    Findings found{session, {}, {}, absolutePath(kRecordFileName), {}, sources.session.displays(), {}, {}};
    if (session.showsTheScreen()) {
        found.text = readText(sources, found.displays);
        found.monitor = sources.session.primaryMonitor();
        found.till = sources.session.tillProgramsIn(std::string(folderOf(found.recordFile)));
        // A mode the system could not tell is no screen of 0 x 0: it stays unknown.
        DevModeRecord current;
        if (sources.display.enumCurrentSettings(current)) found.current = valuesOf(current);
    }
    found.saved = readSaved();
    return found;
}

std::string buildReport(const ReportSources& sources, const SessionInfo& session) {
    return buildReport(sources, gatherFindings(sources, session));
}

std::string buildReport(const ReportSources& sources, const Findings& found) {
    const SessionInfo& session = found.session;
    std::vector<ModeReading> modes;
    if (found.current) modes = offeredModes(sources.display);

    std::string json, part;
    JsonMembers report(json, ",\r\n  ");
    json += "\r\n  ";
    report.text("program", "diagreso")
        .text("version", sources.version)
        .number("schema", kReportSchema)
        .text("computer", sources.computer)
        .text("time", timeText(sources.clock.now()));
    std::string os = sources.session.osVersion();
    JsonMembers(part, ", ").raw("version", os.empty() ? "null" : jsonString(os)).close();
    report.raw("os", part);
    part.clear();
    appendSession(part, session);
    report.raw("session", part);
    part.clear();
    appendVerdict(part, decideVerdict(found));
    report.raw("verdict", part);
    part.clear();
    if (found.text) {
        appendText(part, *found.text);
        report.raw("text", part);
    } else {
        report.raw("text", "null");
    }
    part.clear();
    if (found.current) appendMode(part, *found.current);
    report.raw("current", found.current ? part : "null");
    report.raw("displays", arrayOf(found.displays, appendDisplay)).text("record_file", found.recordFile);
    part.clear();
    appendSaved(part, found.saved);
    report.raw("saved", part);
    report.raw("modes", arrayOf(modes, appendMode));
    uint32_t bits = found.current ? found.current->bits : 0;
    report.raw("tests", arrayOf(sources.testCaptions, [&](std::string& out, const std::string& caption) {
        appendTest(out, caption, modes, bits);
    }));
    part.clear();
    if (found.monitor) appendRect(part, found.monitor->work);
    report.raw("work_area", found.monitor ? part : "null");
    part.clear();
    if (found.text) {
        uint32_t dpi = tillDrawnDpi(found);
        JsonMembers(part, ", ")
            .raw("classic", jsonOf(drawnSize(kClassicWindowWidth, kWindowHeight, dpi)))
            .raw("wide", jsonOf(drawnSize(kWideWindowWidth, kWindowHeight, dpi)))
            .number("stretch_percent", percentOfStandardDensity(dpi))
            .close();
    }
    report.raw("drawn_windows", found.text ? part : "null");
    uint32_t stretch = found.text ? found.text->stretchDpi : kStandardDpi;
    report.raw("till_windows", found.till ? arrayOf(found.till->windows,
                                                    [&](std::string& out, const ProgramWindow& w) {
                                                        appendTillWindow(out, w, stretch);
                                                    })
                                          : "null");
    part.clear();
    if (found.till) JsonMembers(part, ", ").text("path", found.till->folder).boolean("subfolders", found.till->subfolders).close();
    report.raw("till_folder", found.till ? part : "null");
    report.raw("layers", found.till ? arrayOf(found.till->layers, appendLayer) : "null").close("\r\n");
    return json + "\r\n";
}

std::string sessionReason(const SessionInfo& session) {
    if (session.showsTheScreen()) return {};
    if (!session.visible)
        return "ce programme tourne dans une session sans écran (sa station de fenêtres « " + session.windowStation +
               " » ne peut rien afficher) : un service, une tâche planifiée exécutée même quand personne n'est "
               "connecté ou une session d'administration à distance (PowerShell)";
    if (session.remote)
        return "ce programme tourne dans une session Bureau à distance : l'écran qu'il voit est celui de la session "
               "à distance, pas celui de la caisse, et Windows ne peut pas changer la résolution de la caisse "
               "depuis cette session";
    return "ce programme tourne dans la session Windows " + std::to_string(session.id) +
           (session.consoleId ? ", alors que l'écran de la caisse est relié à la session " +
                                    std::to_string(*session.consoleId)
                              : ", alors qu'aucune session n'est reliée à l'écran de la caisse");
}

std::string sessionWarning(const SessionInfo& session) {
    if (session.showsTheScreen()) return {};
    return sessionReason(session) +
           ".\r\nPour l'écran et la taille du texte de la caisse, lancez diagreso dans la session de "
           "l'utilisateur de la caisse : par exemple une tâche planifiée qui s'exécute sous son compte, "
           "seulement quand il est connecté, dans le dossier du logiciel de caisse.";
}

} // namespace diag
