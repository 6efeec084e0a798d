// The command line: its switches and exit codes, the report from the simulated display,
// font and record file, and the restore, inside a fresh directory.
#include "display/simulated_display.h"
#include "display/simulated_font.h"
#include "display/simulated_session.h"
#include "main_window/form1_design.h"
#include "app/system_reason.h"
#include "command_line/command_line.h"
#include "command_line/verdict.h"
#include "store/saved_resolution.h"
#include "support/fixed_clock.h"
#include "support/records.h"
#include "temp_dir.h"

#include <cstdlib>
#include <functional>
#include <map>

using namespace diag;
using diag::test::rec;
using Kind = SimulatedDisplay::Call::Kind;

namespace {

std::string savedFile(std::string_view w, std::string_view h, std::string_view bits) {
    return "#INIT#12-08-202619:4" + rec(w) + rec(h) + rec(bits);
}

class RecordingOutput final : public TextOutput {
  public:
    bool write(std::string_view utf8) override {
        if (broken) return false;
        text += utf8;
        return true;
    }
    std::string failure() const override { return "le canal est fermé"; }
    std::string text;
    bool broken = false;
};

bool contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

class CommandLineTest : public InTempDir {
  protected:
    int run(std::vector<std::string> arguments) {
        out.text.clear();
        err.text.clear();
        return runSwitch(parseArguments(arguments),
                         {display, font, session, clock, "1.1.0", computer, testButtonCaptions()}, out, err);
    }
    // The report /rapport prints, kept for the schema check when the harness asks.
    std::string report(int exit = kExitDone) {
        EXPECT_EQ(run({"/rapport"}), exit) << err.text;
        if (const char* dir = std::getenv("DIAGRESO_REPORT_DIR")) {
            static int n = 0;
            writeAll(std::string(dir) + "/unit-" + std::to_string(++n) + ".json", out.text);
        }
        return out.text;
    }
    // One member's value as the report writes it, up to the next member.
    std::string member(const std::string& json, const std::string& key, const std::string& next) {
        size_t from = json.find("\"" + key + "\": "), to = json.find(",\r\n  \"" + next + "\"");
        if (from == std::string::npos || to == std::string::npos) return "<missing>";
        from += key.size() + 4;
        return json.substr(from, to - from);
    }

    SimulatedDisplay display{{1280, 1024, 32}};
    SimulatedFont font{16};
    SimulatedSession session;
    test::FixedClock clock = [] {
        test::FixedClock c;
        c.time = {2026, 12, 8, 19, 40, 12};
        return c;
    }();
    std::string computer = "CAISSE-01";
    RecordingOutput out, err;
};

} // namespace

TEST_F(CommandLineTest, SwitchesAndTheirExitCodes) {
    EXPECT_EQ(parseArguments({}).what, Invocation::Switch::Window) << "no argument: the window";
    struct Case {
        std::vector<std::string> arguments;
        int exit;
        const char* outStarts; // empty: nothing on standard output
        const char* errSays;   // empty: nothing on standard error
    } cases[] = {
        {{"/?"}, kExitDone, "diagreso : diagnostic", ""},
        {{"/AIDE"}, kExitDone, "diagreso : diagnostic", ""},
        {{"-Aide"}, kExitDone, "diagreso : diagnostic", ""},
        {{"/rapport"}, kExitDone, "{\r\n  \"program\": \"diagreso\"", ""},
        {{"-RAPPORT"}, kExitDone, "{\r\n  \"program\": \"diagreso\"", ""},
        {{"/VERIFIER"}, kExitDone, "CAISSE-01 : affichage correct.", ""},
        {{"/verifier:x"}, kExitBadArguments, "", "Argument inconnu : « /verifier:x »."},
        {{"/Retour"}, kExitNoSavedMode, "", "Il n'y a pas de fichier « W_ECRA_R.WDO »"},
        {{"/inconnu"}, kExitBadArguments, "", "Argument inconnu : « /inconnu »."},
        {{"rapport"}, kExitBadArguments, "", "Argument inconnu : « rapport »."},
        {{"/rapports"}, kExitBadArguments, "", "Argument inconnu : « /rapports »."},
        {{""}, kExitBadArguments, "", "Argument inconnu : «  »."},
        {{"/rapport:"}, kExitBadArguments, "", "Il manque le nom du fichier après « /rapport: »."},
        {{"/rapport", "/retour"}, kExitBadArguments, "", "Un seul argument à la fois : « /rapport /retour »."},
        {{"/synthese:"}, kExitBadArguments, "", "Il manque le dossier des rapports après « /synthese: »."},
        {{"-SYNTHESE:absent"}, kExitFolderNotRead, "", "Le dossier des rapports « "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? "" : c.arguments[0]);
        EXPECT_EQ(run(c.arguments), c.exit);
        EXPECT_EQ(out.text.substr(0, std::string_view(c.outStarts).size()), c.outStarts);
        EXPECT_EQ(out.text.empty(), *c.outStarts == 0) << out.text;
        EXPECT_TRUE(contains(err.text, c.errSays)) << err.text;
        EXPECT_EQ(err.text.empty(), *c.errSays == 0) << err.text;
        if (c.exit == kExitBadArguments) {
            EXPECT_TRUE(contains(err.text, usageText())) << "the usage follows";
        }
    }
    EXPECT_FALSE(std::filesystem::exists(kRecordFileName));
}

// Every switch the usage shows is one the program takes, and every exit code is explained.
TEST_F(CommandLineTest, UsageShowsWhatTheProgramTakes) {
    std::string usage = usageText();
    size_t shown = 0;
    for (size_t at = usage.find("diagreso /"); at != std::string::npos; at = usage.find("diagreso /", at + 1)) {
        std::string word = usage.substr(at + 9, usage.find(' ', at + 9) - at - 9);
        if (word == "/rapport:FICHIER") word = "/rapport:f.json";
        EXPECT_NE(parseArguments({word}).what, Invocation::Switch::Bad) << word;
        ++shown;
    }
    EXPECT_EQ(shown, 6u);
    EXPECT_TRUE(contains(usage, "/? ou /aide"));
    for (const char* code : {"0 réussite", "1 rapport, verdict ou synthèse non écrit", "2 argument inconnu", "3 W_ECRA_R.WDO absent",
                             "4 mode refusé", "5 cette session ne montre pas l'écran", "6 affichage incorrect",
                             "9 /synthese : le dossier des rapports ne peut pas être lu"})
        EXPECT_TRUE(contains(usage, code)) << code;
}

TEST_F(CommandLineTest, ReportSaysWhatTheWindowWouldAndWhatTheDisplayOffers) {
    writeAll(kRecordFileName, savedFile("1024", "768", "16"));
    font.height = 20;
    font.dpi = 120;
    computer = "CAISSE \"7\" \\ é\x01";
    session.textScale = 125;
    session.devices[0].dpi = 120;
    session.monitor = MonitorArea{{0, 0, 1280, 1024}, {0, 0, 1280, 984}};
    // A customer display beside the till's, whose density the system does not tell.
    session.devices.push_back({"\\\\.\\DISPLAY2", false, 1280, 0, 800, 600, 16, 60, std::nullopt});
    // Listed twice, at two frequencies, and 1366 x 768 only at 16 bits.
    display = SimulatedDisplay({1280, 1024, 32}, {{1024, 768, 32, 60},
                                                  {1024, 768, 32, 75},
                                                  {1024, 768, 32, 60},
                                                  {1366, 768, 16, 60},
                                                  {1280, 1024, 32, 60},
                                                  {1440, 900, 32, 60},
                                                  {1024, 768, 16, 60}});
    std::string expected = "{\r\n"
                           "  \"program\": \"diagreso\",\r\n"
                           "  \"version\": \"1.1.0\",\r\n"
                           "  \"schema\": 5,\r\n"
                           "  \"computer\": \"CAISSE \\\"7\\\" \\\\ é\\u0001\",\r\n"
                           "  \"time\": \"2026-12-08T19:40:12\",\r\n"
                           "  \"os\": {\"version\": \"10.0.19045\"},\r\n"
                           "  \"session\": {\"id\": 1, \"console_id\": 1, \"window_station\": \"WinSta0\", \"visible\": "
                           "true, \"remote\": false, \"user\": \"CAISSE-01\\\\caisse\", \"shows_the_screen\": true},\r\n"
                           "  \"verdict\": {\"ok\": false, \"reasons\": [\"caractères Grossie : la taille des caractères de "
                           "Windows doit être de 96 ppp ou 100 %\", \"Windows agrandit le logiciel de caisse comme une "
                           "image, à 125 %, et il est flou : sa fenêtre classique couvre 1280 x 923 pixels et tient dans "
                           "l'espace de travail (1280 x 984)\"], \"classic_window_fits\": true, \"wide_window_fits\": "
                           "false, \"causes\": [{\"code\": \"text_enlarged\", \"dpi\": 120, \"percent\": 125}, "
                           "{\"code\": \"stretched\", \"stretch_percent\": 125, \"width\": 1280, \"height\": 923, "
                           "\"fits\": true}]},\r\n"
                           "  \"text\": {\"state\": \"Grossie\", \"height_px\": 20, \"dpi\": 120, \"scale_percent\": 125, "
                           "\"stretch_percent\": 125, \"dpi_at_sign_in\": 120, \"dpi_now\": 120},\r\n"
                           "  \"current\": {\"width\": 1280, \"height\": 1024, \"bits\": 32, \"frequency\": 60},\r\n"
                           "  \"displays\": [\r\n"
                           "    {\"device\": \"\\\\\\\\.\\\\DISPLAY1\", \"primary\": true, \"left\": 0, \"top\": 0, \"width\": "
                           "1280, \"height\": 1024, \"bits\": 32, \"frequency\": 60, \"dpi\": 120},\r\n"
                           "    {\"device\": \"\\\\\\\\.\\\\DISPLAY2\", \"primary\": false, \"left\": 1280, \"top\": 0, "
                           "\"width\": 800, \"height\": 600, \"bits\": 16, \"frequency\": 60, \"dpi\": null}\r\n"
                           "  ],\r\n"
                           "  \"record_file\": \"" +
                           (dir_ / kRecordFileName).string() +
                           "\",\r\n"
                           "  \"saved\": {\"width\": \"1024\", \"height\": \"768\", \"bits\": \"16\", \"since\": "
                           "\"12-08-202619:4\"},\r\n"
                           "  \"modes\": [\r\n"
                           "    {\"width\": 1024, \"height\": 768, \"bits\": 32, \"frequency\": 60},\r\n"
                           "    {\"width\": 1024, \"height\": 768, \"bits\": 32, \"frequency\": 75},\r\n"
                           "    {\"width\": 1366, \"height\": 768, \"bits\": 16, \"frequency\": 60},\r\n"
                           "    {\"width\": 1280, \"height\": 1024, \"bits\": 32, \"frequency\": 60},\r\n"
                           "    {\"width\": 1440, \"height\": 900, \"bits\": 32, \"frequency\": 60},\r\n"
                           "    {\"width\": 1024, \"height\": 768, \"bits\": 16, \"frequency\": 60}\r\n"
                           "  ],\r\n"
                           "  \"tests\": [\r\n"
                           "    {\"caption\": \"1024 x 768\", \"width\": 1024, \"height\": 768, \"offered\": true},\r\n"
                           "    {\"caption\": \"1366 x 768\", \"width\": 1366, \"height\": 768, \"offered\": false},\r\n"
                           "    {\"caption\": \"1440 x 900\", \"width\": 1440, \"height\": 900, \"offered\": true},\r\n"
                           "    {\"caption\": \"1280 x 1024\", \"width\": 1280, \"height\": 1024, \"offered\": true},\r\n"
                           "    {\"caption\": \"1280 x 800\", \"width\": 1280, \"height\": 800, \"offered\": false},\r\n"
                           "    {\"caption\": \"1280 x 768\", \"width\": 1280, \"height\": 768, \"offered\": false},\r\n"
                           "    {\"caption\": \"1152 x 864\", \"width\": 1152, \"height\": 864, \"offered\": false}\r\n"
                           "  ],\r\n"
                           "  \"work_area\": {\"left\": 0, \"top\": 0, \"width\": 1280, \"height\": 984},\r\n"
                           "  \"drawn_windows\": {\"classic\": {\"width\": 1280, \"height\": 923}, \"wide\": {\"width\": "
                           "1710, \"height\": 923}, \"stretch_percent\": 125},\r\n"
                           "  \"till_windows\": [],\r\n"
                           "  \"till_folder\": {\"path\": \"" + dir_.string() + "\", \"subfolders\": true},\r\n"
                           "  \"layers\": []\r\n"
                           "}\r\n";
    EXPECT_EQ(report(), expected);
    EXPECT_EQ(session.askedFolder, dir_.string()) << "the point-of-sale program's windows are those of its folder";
    EXPECT_EQ(display.count(Kind::Change), 0u);
    EXPECT_EQ(display.count(Kind::Broadcast), 0u);
    EXPECT_EQ(font.outstandingDcs, 0);
    EXPECT_EQ(font.mapMode, 7) << "the probe put the mapping mode back";
}

TEST_F(CommandLineTest, ReportTellsTheTextStateAsTheWindowDoes) {
    struct Case {
        int32_t height;
        bool noDesktop;
        int dpi;
        const char* text;
        bool failMetrics = false;
    } cases[] = {
        {16, false, 96,
         "{\"state\": \"Normale\", \"height_px\": 16, \"dpi\": 96, \"scale_percent\": null, \"stretch_percent\": 100, "
         "\"dpi_at_sign_in\": 96, \"dpi_now\": 96}"},
        {15, false, 96,
         "{\"state\": \"Grossie\", \"height_px\": 15, \"dpi\": 96, \"scale_percent\": null, \"stretch_percent\": 100, "
         "\"dpi_at_sign_in\": 96, \"dpi_now\": 96}"},
        {16, true, 96,
         "{\"state\": null, \"height_px\": null, \"dpi\": null, \"scale_percent\": null, \"stretch_percent\": 100, "
         "\"dpi_at_sign_in\": null, \"dpi_now\": null}"},
        {16, false, 96,
         "{\"state\": null, \"height_px\": null, \"dpi\": 96, \"scale_percent\": null, \"stretch_percent\": 100, "
         "\"dpi_at_sign_in\": 96, \"dpi_now\": 96}",
         true},
    };
    for (const Case& c : cases) {
        font.height = c.height;
        font.noDesktop = c.noDesktop;
        font.failMetrics = c.failMetrics;
        font.dpi = c.dpi;
        EXPECT_EQ(member(report(), "text", "current"), c.text);
    }
}

// Only the console's own session on a visible window station shows the till's screen;
// elsewhere the report leaves out what it would take from another display (or none),
// says why, and /retour changes nothing.
TEST_F(CommandLineTest, ReportAndRestoreTellASessionThatDoesNotShowTheScreen) {
    writeAll(kRecordFileName, savedFile("1024", "768", "32"));
    struct Case {
        const char* name;
        SessionInfo info;
        bool screen;
        const char* why;
    } cases[] = {
        {"the console", {1, 1, "WinSta0", true, false, "CAISSE-01\\caisse"}, true, ""},
        {"no screen", {0, 1, "Service-0x0-3e7$", false, false, "AUTORITE NT\\Système"}, false,
         "session sans écran (sa station de fenêtres « Service-0x0-3e7$ »"},
        {"remote", {2, 1, "WinSta0", true, true, "CAISSE-01\\support"}, false, "session Bureau à distance"},
        {"another session", {2, 1, "WinSta0", true, false, "CAISSE-01\\autre"}, false,
         "la session Windows 2, alors que l'écran de la caisse est relié à la session 1"},
        {"console switched over", {1, std::nullopt, "WinSta0", true, false, "CAISSE-01\\caisse"}, false,
         "aucune session n'est reliée à l'écran"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        session.info = c.info;
        display.setCurrent({1440, 900, 32});
        EXPECT_EQ(run({"/rapport"}), c.screen ? kExitDone : kExitNotTheScreen);
        std::string r = out.text;
        EXPECT_TRUE(contains(r, std::string("\"shows_the_screen\": ") + (c.screen ? "true" : "false"))) << r;
        EXPECT_EQ(member(r, "text", "current") == "null", !c.screen);
        EXPECT_EQ(member(r, "current", "displays") == "null", !c.screen);
        EXPECT_EQ(member(r, "modes", "tests") == "[]", !c.screen);
        EXPECT_EQ(contains(r.substr(r.find("\"tests\": ")), "\"offered\": true"), c.screen);
        EXPECT_TRUE(contains(member(r, "saved", "modes"), "\"width\": \"1024\"")) << "read as always";
        EXPECT_TRUE(contains(err.text, c.why)) << err.text;
        EXPECT_EQ(err.text.empty(), c.screen) << err.text;
        if (!c.screen) {
            EXPECT_TRUE(contains(err.text, "une tâche planifiée qui s'exécute sous son compte"));
        }

        EXPECT_EQ(run({"/retour"}), c.screen ? kExitDone : kExitNotTheScreen);
        EXPECT_EQ(display.current(), (c.screen ? Mode{1024, 768, 32} : Mode{1440, 900, 32}));
        EXPECT_TRUE(contains(err.text, c.why)) << err.text;
        EXPECT_EQ(out.text.empty(), !c.screen) << out.text;
    }
}

// /verifier's verdict, its exit code and its line, and the same verdict in the report,
// from the text, the screen, the record file and the session; the file is only read.
TEST_F(CommandLineTest, VerifierTellsTheVerdictInOneLineAsTheReportDoes) {
    std::string dir = dir_.string();
    std::string saved = savedFile("1024", "768", "16");
    std::string normal = " Caractères : Normale (96 ppp, soit 100 %).";
    auto screen = [](const char* size, bool classic, bool wide) {
        return std::string(" Résolution actuelle : ") + size + " ; la fenêtre classique (1024 x 738) " +
               (classic ? "y tient" : "n'y tient pas") + ", la fenêtre élargie (1368 x 738) " +
               (wide ? "y tient" : "n'y tient pas") + ".";
    };
    auto verdict = [](const char* ok, const std::string& reasons, const char* classic, const char* wide,
                      const std::string& causes = "") {
        return std::string("{\"ok\": ") + ok + ", \"reasons\": [" + reasons + "], \"classic_window_fits\": " +
               classic + ", \"wide_window_fits\": " + wide + ", \"causes\": [" + causes + "]}";
    };
    // The figures of a classic window beyond the screen: off it across and down, the resolution advised.
    auto beyondScreen = [](int offWide, int offHigh, const char* least) {
        return std::string("{\"code\": \"screen_too_small\", \"window\": {\"width\": 1024, \"height\": 738}, "
                           "\"off_screen\": {\"width\": ") +
               std::to_string(offWide) + ", \"height\": " + std::to_string(offHigh) +
               "}, \"under_taskbar\": {\"width\": 0, \"height\": 0}, \"at_least\": " + least + "}";
    };
    std::string savedLine = " Résolution d'origine : 1024 x 768 en 16 bits, enregistrée le 08/12/2026.";
    std::string enlarged = "caractères Grossie : la taille des caractères de Windows doit être de 96 ppp ou 100 %";
    std::string stretched = "Windows agrandit le logiciel de caisse comme une image, à 125 %, et il est flou : sa "
                            "fenêtre classique couvre 1280 x 923 pixels et tient dans l'espace de travail (1280 x 1024)";
    std::string blurred = enlarged + " ; " + stretched;
    auto smaller = [](const char* size, const char* hidden, const char* least) {
        return std::string("écran de ") + size + ", plus petit que la fenêtre classique du logiciel de caisse (1024 x " +
               "738) : " + hidden + " hors de l'écran ; choisissez une résolution d'au moins " + least;
    };
    auto quoted = [](const std::string& text) { return "\"" + text + "\""; };
    SessionInfo console = session.info, service{0, 1, "Service-0x0-3e7$", false, false, "AUTORITE NT\\Système"};
    std::string noScreen = "ce programme tourne dans une session sans écran (sa station de fenêtres « Service-0x0-3e7$ » "
                           "ne peut rien afficher) : un service, une tâche planifiée exécutée même quand personne n'est "
                           "connecté ou une session d'administration à distance (PowerShell)";
    struct Case {
        const char* name;
        int32_t fontHeight;
        int dpi;
        std::optional<uint32_t> scale;
        Mode mode;
        std::optional<std::string> record; // none: absent; "/": a folder of that name
        SessionInfo where;
        int exit;
        std::string line; // after "CAISSE-01 : "
        std::string verdict;
        bool modeUnknown = false; // the system does not tell the mode in force
        bool textUnknown = false; // the font probe measures nothing
    } cases[] = {
        {"above both windows", 16, 96, {}, {1920, 1080, 32}, saved, console, kExitDone,
         "affichage correct." + normal + screen("1920 x 1080", true, true) + savedLine,
         verdict("true", "", "true", "true")},
        {"at the classic window", 16, 96, {}, {1024, 738, 32}, saved, console, kExitDone,
         "affichage correct." + normal + screen("1024 x 738", true, false) + savedLine,
         verdict("true", "", "true", "false")},
        {"a pixel narrower", 16, 96, {}, {1023, 768, 32}, saved, console, kExitDisplayNotSuitable,
         "affichage incorrect : " + smaller("1023 x 768", "1 pixel en largeur", "1024 x 768") + "." + normal +
             screen("1023 x 768", false, false) + savedLine,
         verdict("false", quoted(smaller("1023 x 768", "1 pixel en largeur", "1024 x 768")), "false", "false",
                 beyondScreen(1, 0, "{\"width\": 1024, \"height\": 768}"))},
        {"a pixel lower", 16, 96, {}, {1440, 737, 32}, saved, console, kExitDisplayNotSuitable,
         "affichage incorrect : " + smaller("1440 x 737", "1 pixel en hauteur", "1440 x 738") + "." + normal +
             screen("1440 x 737", false, false) + savedLine,
         verdict("false", quoted(smaller("1440 x 737", "1 pixel en hauteur", "1440 x 738")), "false", "false",
                 beyondScreen(0, 1, "{\"width\": 1440, \"height\": 738}"))},
        {"a pixel narrower than the wide window", 16, 96, {}, {1367, 738, 32}, saved, console, kExitDone,
         "affichage correct." + normal + screen("1367 x 738", true, false) + savedLine,
         verdict("true", "", "true", "false")},
        {"at the wide window", 16, 96, {}, {1368, 738, 32}, saved, console, kExitDone,
         "affichage correct." + normal + screen("1368 x 738", true, true) + savedLine,
         verdict("true", "", "true", "true")},
        {"enlarged text", 20, 120, 125, {1280, 1024, 32}, saved, console, kExitDisplayNotSuitable,
         "affichage incorrect : " + blurred +
             ". Caractères : Grossie (120 ppp, soit 125 %, « Agrandir le texte » à 125 %). Résolution actuelle : 1280 "
             "x 1024 ; la fenêtre classique (1024 x 738, 1280 x 923 à l'écran) y tient, la fenêtre élargie (1368 x "
             "738, 1710 x 923 à l'écran) n'y tient pas." +
             savedLine,
         verdict("false", quoted(enlarged) + ", " + quoted(stretched), "true", "false",
                 "{\"code\": \"text_enlarged\", \"dpi\": 120, \"percent\": 125}, {\"code\": \"stretched\", "
                 "\"stretch_percent\": 125, \"width\": 1280, \"height\": 923, \"fits\": true}")},
        {"smaller text and screen", 13, 96, {}, {800, 600, 16}, saved, console, kExitDisplayNotSuitable,
         "affichage incorrect : " + enlarged + " ; " +
             smaller("800 x 600", "138 pixels en hauteur et 224 pixels en largeur", "1024 x 738") +
             ". Caractères : Grossie (96 ppp, soit 100 %)." + screen("800 x 600", false, false) + savedLine,
         verdict("false",
                 quoted(enlarged) + ", " +
                     quoted(smaller("800 x 600", "138 pixels en hauteur et 224 pixels en largeur", "1024 x 738")),
                 "false", "false",
                 "{\"code\": \"text_enlarged\", \"dpi\": 96, \"percent\": 100}, " +
                     beyondScreen(224, 138, "{\"width\": 1024, \"height\": 738}"))},
        {"no record", 16, 96, {}, {1280, 1024, 32}, std::nullopt, console, kExitDone,
         "affichage correct." + normal + screen("1280 x 1024", true, false) +
             " Aucune résolution d'origine : pas de fichier W_ECRA_R.WDO dans « " + dir + " ».",
         verdict("true", "", "true", "false")},
        {"record not initialised", 16, 96, {}, {1280, 1024, 32}, "#init#" + saved.substr(6), console, kExitDone,
         "affichage correct." + normal + screen("1280 x 1024", true, false) +
             " Aucune résolution d'origine : le fichier W_ECRA_R.WDO de « " + dir + " » n'en contient pas.",
         verdict("true", "", "true", "false")},
        {"bad record", 16, 96, {}, {1280, 1024, 32}, rec("#INIT#3/4/2024") + rec("1024\a") + rec("") + rec("abc"),
         console, kExitDone,
         "affichage correct." + normal + screen("1280 x 1024", true, false) +
             " Résolution d'origine : 1024  x  en abc bits, date d'enregistrement « 3/4/2024 », inutilisable par "
             "/retour.",
         verdict("true", "", "true", "false")},
        {"record unreadable", 16, 96, {}, {1280, 1024, 32}, "/", console, kExitDone,
         "affichage correct." + normal + screen("1280 x 1024", true, false) +
             " Résolution d'origine illisible : le fichier W_ECRA_R.WDO de « " + dir + " » n'a pas pu être lu (" +
             systemReason(EISDIR) + ").",
         verdict("true", "", "true", "false")},
        {"no screen", 20, 120, {}, {800, 600, 32}, saved, service, kExitNotTheScreen,
         "affichage non vérifié : " + noScreen + "." + savedLine, verdict("null", quoted(noScreen), "null", "null", "{\"code\": \"no_screen\"}")},
        // A mode nobody could read is no screen of 0 x 0: no verdict, and the reason.
        {"mode unknown", 16, 96, {}, {1280, 1024, 32}, saved, console, kExitNotTheScreen,
         std::string("affichage non vérifié : ") + kModeUnknownReason + "." + normal + savedLine,
         verdict("null", quoted(kModeUnknownReason), "null", "null", "{\"code\": \"mode_unknown\"}"), true},
        // A probe that measured nothing is no "Grossie": no verdict either.
        {"text not measured", 16, 96, {}, {1280, 1024, 32}, saved, console, kExitNotTheScreen,
         std::string("affichage non vérifié : ") + kTextUnknownReason +
             ". Caractères : taille inconnue (96 ppp, soit 100 %)." + savedLine,
         verdict("null", quoted(kTextUnknownReason), "null", "null", "{\"code\": \"text_unmeasured\"}"), false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(kRecordFileName);
        if (c.record == "/") std::filesystem::create_directory(kRecordFileName);
        else if (c.record) writeAll(kRecordFileName, *c.record);
        font.height = c.fontHeight;
        font.dpi = c.dpi;
        session.devices[0].dpi = c.dpi;
        session.textScale = c.scale;
        session.info = c.where;
        display.setCurrent(c.mode);
        display.failEnumerations(c.modeUnknown);
        font.failMetrics = c.textUnknown;
        EXPECT_EQ(run({"/verifier"}), c.exit);
        EXPECT_EQ(out.text, "CAISSE-01 : " + c.line + "\r\n");
        EXPECT_EQ(err.text, "");
        std::string json = report(c.exit == kExitNotTheScreen && !c.textUnknown ? kExitNotTheScreen : kExitDone);
        EXPECT_EQ(member(json, "verdict", "text"), c.verdict);
        if (c.modeUnknown) {
            EXPECT_EQ(member(json, "current", "displays"), "null");
            EXPECT_EQ(err.text, std::string("Le rapport ne décrit pas l'écran de la caisse : ") + kModeUnknownReason +
                                    ".\r\n");
        }
        if (c.record == "/") {
            EXPECT_TRUE(std::filesystem::is_directory(kRecordFileName));
        } else if (c.record) {
            EXPECT_EQ(readAll(kRecordFileName), *c.record) << "only read";
        } else {
            EXPECT_FALSE(std::filesystem::exists(kRecordFileName)) << "never created";
        }
    }

    // A folder whose name alone is longer than a console keeps: the line is cut, still one line.
    display.failEnumerations(false);
    font.failMetrics = false;
    std::filesystem::remove_all(kRecordFileName);
    session.info = console;
    display.setCurrent({1280, 1024, 32});
    font.height = 16;
    std::filesystem::path deep = dir_;
    for (int i = 0; i < 10; ++i) deep /= std::string(200, static_cast<char>('a' + i)) + "é";
    std::filesystem::create_directories(deep);
    std::filesystem::current_path(deep);
    EXPECT_EQ(run({"/verifier"}), kExitDone);
    EXPECT_EQ(out.text.size(), kMostVerdictLineBytes + 2);
    EXPECT_TRUE(out.text.ends_with("…\r\n")) << out.text.substr(out.text.size() - 20);
    EXPECT_EQ(out.text.find('\n'), out.text.size() - 1);
}

// The till as today's Windows shows it: the taskbar over the window's bottom, the
// stretching of a program that does not handle the density, a change of size waiting for
// a sign-out, and a window of the point-of-sale program measured where it runs.
TEST_F(CommandLineTest, VerdictJudgesTheWindowAsWindowsDrawsIt) {
    MonitorArea till{{0, 0, 1024, 768}, {0, 0, 1024, 728}};
    ProgramWindow cut{.program = "caisse.exe", .title = "Caisse", .rect = {0, 0, 1024, 738},
                      .client = {3, 22, 1018, 713}, .monitor = till, .awareness = "unaware"};
    ProgramWindow whole = cut, refused = cut, maximised = cut, fullScreen = cut, login = cut, workArea = cut,
                  lower = cut, named = cut;
    whole.rect.height = 700;
    refused.program.reset();
    refused.title.clear();
    // Windows puts a maximised window's borders beyond the work area (Wine's: 4 pixels).
    maximised.rect = {-4, -4, 1032, 736};
    maximised.maximized = true;
    maximised.border = 4;
    fullScreen.rect = fullScreen.client = {0, 0, 1024, 768};
    login.rect = {200, 150, 400, 300};
    login.monitor = {{0, 0, 800, 600}, {0, 0, 800, 560}};
    workArea.rect = {0, 0, 1024, 728};
    lower.rect = {0, 100, 1024, 738};
    lower.monitor = {{0, 0, 1024, 768}, {0, 0, 1024, 748}};
    named.title = "Caisse\u2028n°\u00852\u2029\tfin";
    std::string enlarged = "caractères Grossie : la taille des caractères de Windows doit être de 96 ppp ou 100 %";
    std::string outgrow = enlarged + " ; Windows donne sa densité au logiciel de caisse : ses textes grandissent et "
                                     "débordent de leurs cadres";
    struct Case {
        const char* name;
        const char* version;
        int dpi;                         // the session's, at sign-in
        std::optional<uint32_t> dpiNow;  // the primary monitor's now
        std::optional<bool> xpStyle;
        Mode mode;
        int32_t taskbar;                 // pixels at the bottom
        std::optional<ProgramWindow> window;
        int exit;
        uint32_t stretch;
        std::string reasons;
        std::string causes = {};         // the verdict's causes, whole; empty: not checked
        std::string text = {};           // in the report's text, after scale_percent
        std::string drawn = {};          // the report's drawn windows; empty: not checked
        std::string windows = {};        // the report's till windows; empty: not checked
        std::vector<CompatLayer> layers = {};
        std::string line = {};           // a part of /verifier's line; empty: not checked
    } cases[] = {
        {"1024 x 768, 40-pixel taskbar", "10.0.19045", 96, 96, {}, {1024, 768, 32}, 40, {}, kExitDisplayNotSuitable,
         100,
         "la barre des tâches cache 10 pixels en hauteur de la fenêtre classique du logiciel de caisse (1024 x 738) ; "
         "masquez automatiquement la barre des tâches ou choisissez une résolution d'au moins 1024 x 778",
         "[{\"code\": \"taskbar\", \"window\": {\"width\": 1024, \"height\": 738}, \"off_screen\": {\"width\": 0, "
         "\"height\": 0}, \"under_taskbar\": {\"width\": 0, \"height\": 10}, \"at_least\": {\"width\": 1024, "
         "\"height\": 778}}]"},
        {"1366 x 768, 48-pixel taskbar", "10.0.22631", 96, 96, {}, {1366, 768, 32}, 48, {}, kExitDisplayNotSuitable,
         100,
         "la barre des tâches cache 18 pixels en hauteur de la fenêtre classique du logiciel de caisse (1024 x 738) ; "
         "masquez automatiquement la barre des tâches ou choisissez une résolution d'au moins 1366 x 786",
         "[{\"code\": \"taskbar\", \"window\": {\"width\": 1024, \"height\": 738}, \"off_screen\": {\"width\": 0, "
         "\"height\": 0}, \"under_taskbar\": {\"width\": 0, \"height\": 18}, \"at_least\": {\"width\": 1366, "
         "\"height\": 786}}]"},
        {"1280 x 1024 at 125 % on 10", "10.0.19045", 120, 120, {}, {1280, 1024, 32}, 40, {}, kExitDisplayNotSuitable,
         125,
         enlarged + "\", \"Windows agrandit le logiciel de caisse comme une image, à 125 %, et il est flou : sa "
                    "fenêtre classique couvre 1280 x 923 pixels et tient dans l'espace de travail (1280 x 984)",
         "[{\"code\": \"text_enlarged\", \"dpi\": 120, \"percent\": 125}, {\"code\": \"stretched\", "
         "\"stretch_percent\": 125, \"width\": 1280, \"height\": 923, \"fits\": true}]",
         "\"stretch_percent\": 125, \"dpi_at_sign_in\": 120, \"dpi_now\": 120",
         "{\"classic\": {\"width\": 1280, \"height\": 923}, \"wide\": {\"width\": 1710, \"height\": 923}, "
         "\"stretch_percent\": 125}"},
        {"1280 x 1024 at 125 % on 7", "6.1.7601", 120, {}, {}, {1280, 1024, 32}, 40, {}, kExitDisplayNotSuitable, 100,
         outgrow, "[{\"code\": \"text_enlarged\", \"dpi\": 120, \"percent\": 125}]",
         "\"stretch_percent\": 100, \"dpi_at_sign_in\": null, \"dpi_now\": null",
         "{\"classic\": {\"width\": 1024, \"height\": 738}, \"wide\": {\"width\": 1368, \"height\": 738}, "
         "\"stretch_percent\": 100}"},
        {"125 % on 7, XP style unticked", "6.1.7601", 120, {}, false, {1280, 1024, 32}, 40, {},
         kExitDisplayNotSuitable, 125, enlarged + "\", \"Windows agrandit le logiciel de caisse comme une image, à 125 %",
         "[{\"code\": \"text_enlarged\", \"dpi\": 120, \"percent\": 125}, {\"code\": \"stretched\", "
         "\"stretch_percent\": 125, \"width\": 1280, \"height\": 923, \"fits\": true}]"},
        // The box decides at every density where it is set; unset, the program is enlarged from 150 %.
        {"150 % on 8.1, XP style ticked", "6.3.9600", 144, 144, true, {1920, 1080, 32}, 40, {},
         kExitDisplayNotSuitable, 100, outgrow, "[{\"code\": \"text_enlarged\", \"dpi\": 144, \"percent\": 150}]"},
        {"150 % on 8.1, XP style unticked", "6.3.9600", 144, 144, false, {1920, 1080, 32}, 40, {},
         kExitDisplayNotSuitable, 150,
         enlarged + "\", \"Windows agrandit le logiciel de caisse comme une image, à 150 %, et il est flou : sa "
                    "fenêtre classique couvre 1536 x 1107 pixels et ne tient pas dans l'espace de travail (1920 x "
                    "1040)"},
        {"150 % on 8.1, XP style never set", "6.3.9600", 144, 144, {}, {1920, 1080, 32}, 40, {},
         kExitDisplayNotSuitable, 150, enlarged + "\", \"Windows agrandit le logiciel de caisse comme une image, à 150 %"},
        {"1920 x 1080 at 125 % on 10", "10.0.19045", 120, 120, {}, {1920, 1080, 32}, 40, {}, kExitDisplayNotSuitable,
         125,
         enlarged + "\", \"Windows agrandit le logiciel de caisse comme une image, à 125 %, et il est flou : sa "
                    "fenêtre classique couvre 1280 x 923 pixels et tient dans l'espace de travail (1920 x 1040)"},
        // Windows scales with MulDiv, to the nearest pixel: 1024 x 738 at 110 dpi is 1173.3 x 845.6.
        {"a custom 110 dpi on 10", "10.0.19045", 110, 110, {}, {1920, 1080, 32}, 40, {}, kExitDisplayNotSuitable, 115,
         enlarged + "\", \"Windows agrandit le logiciel de caisse comme une image, à 115 %, et il est flou : sa "
                    "fenêtre classique couvre 1173 x 846 pixels",
         "", "", "{\"classic\": {\"width\": 1173, \"height\": 846}, \"wide\": {\"width\": 1568, \"height\": 846}, "
                 "\"stretch_percent\": 115}"},
        {"1366 x 768 at 125 % on 10", "10.0.19045", 120, 120, {}, {1366, 768, 32}, 48, {}, kExitDisplayNotSuitable, 125,
         enlarged + "\", \"Windows agrandit le logiciel de caisse comme une image, à 125 %, et il est flou : sa "
                    "fenêtre classique couvre 1280 x 923 pixels et ne tient pas dans l'espace de travail (1366 x 720)\", "
                    "\"écran de 1366 x 768, plus petit que la fenêtre classique du logiciel de caisse (1024 x 738, "
                    "dessinée en 1280 x 923) : 155 pixels en hauteur hors de l'écran et 48 pixels en hauteur sous la "
                    "barre des tâches ; choisissez une résolution d'au moins 1366 x 971",
         "[{\"code\": \"text_enlarged\", \"dpi\": 120, \"percent\": 125}, {\"code\": \"stretched\", "
         "\"stretch_percent\": 125, \"width\": 1280, \"height\": 923, \"fits\": false}, {\"code\": "
         "\"screen_too_small\", \"window\": {\"width\": 1280, \"height\": 923}, \"off_screen\": {\"width\": 0, "
         "\"height\": 155}, \"under_taskbar\": {\"width\": 0, \"height\": 48}, \"at_least\": {\"width\": 1366, "
         "\"height\": 971}}]"},
        // "Override high DPI scaling behaviour: Application" on the till's file: not enlarged as a picture.
        {"a layer HIGHDPIAWARE at 125 %", "10.0.19045", 120, 120, {}, {1280, 1024, 32}, 40, {}, kExitDisplayNotSuitable,
         125, outgrow, "[{\"code\": \"text_enlarged\", \"dpi\": 120, \"percent\": 125}]", "",
         "{\"classic\": {\"width\": 1024, \"height\": 738}, \"wide\": {\"width\": 1368, \"height\": 738}, "
         "\"stretch_percent\": 100}",
         "", {{"caisse.exe", "C:\\Caisse\\caisse.exe", "HKCU", "~ HIGHDPIAWARE", DpiScaling::Application}}},
        {"a layer DPIUNAWARE at 125 %", "10.0.19045", 120, 120, {}, {1280, 1024, 32}, 40, {}, kExitDisplayNotSuitable,
         125, enlarged + "\", \"Windows agrandit le logiciel de caisse comme une image, à 125 %", "", "",
         "{\"classic\": {\"width\": 1280, \"height\": 923}, \"wide\": {\"width\": 1710, \"height\": 923}, "
         "\"stretch_percent\": 125}",
         "", {{"caisse.exe", "C:\\Caisse\\caisse.exe", "HKLM", "~ GDIDPISCALING DPIUNAWARE", DpiScaling::SystemEnhanced}}},
        {"a pending sign-out", "10.0.19045", 120, 96, {}, {1280, 1024, 32}, 40, {}, kExitDisplayNotSuitable, 100,
         enlarged + "\", \"taille du texte changée sans fermer la session Windows (120 ppp à l'ouverture de la "
                    "session, 96 ppp maintenant) : fermez la session Windows pour que la nouvelle taille s'applique "
                    "partout",
         "[{\"code\": \"text_enlarged\", \"dpi\": 96, \"percent\": 100}, {\"code\": \"sign_out_pending\", "
         "\"dpi_at_sign_in\": 120, \"dpi_now\": 96}]",
         "\"stretch_percent\": 100, \"dpi_at_sign_in\": 120, \"dpi_now\": 96"},
        {"a measured window cut at the bottom", "10.0.19045", 96, 96, {}, {1024, 768, 32}, 40, cut,
         kExitDisplayNotSuitable, 100,
         "la fenêtre « Caisse » de caisse.exe (1024 x 738) est coupée : 10 pixels en bas sous la barre des tâches ; "
         "ramenez-la dans l'espace de travail, masquez automatiquement la barre des tâches ou choisissez une "
         "résolution plus grande",
         "[{\"code\": \"till_window_cut\", \"program\": \"caisse.exe\", \"off_screen\": {\"left\": 0, \"top\": 0, "
         "\"right\": 0, \"bottom\": 0}, \"under_taskbar\": {\"left\": 0, \"top\": 0, \"right\": 0, \"bottom\": 10}}]",
         "", "",
         "[\r\n    {\"program\": \"caisse.exe\", \"title\": \"Caisse\", \"left\": 0, \"top\": 0, \"width\": 1024, "
         "\"height\": 738, \"hidden\": {\"left\": 0, \"top\": 0, \"right\": 0, \"bottom\": 10}, \"awareness\": "
         "\"unaware\", \"off_screen\": {\"left\": 0, \"top\": 0, \"right\": 0, \"bottom\": 0}, \"maximized\": false, "
         "\"full_screen\": false, \"main\": true}\r\n  ]"},
        {"a window 100 lines down", "10.0.19045", 96, 96, {}, {1024, 768, 32}, 20, lower, kExitDisplayNotSuitable, 100,
         "la fenêtre « Caisse » de caisse.exe (1024 x 738) est coupée : 70 pixels en bas hors de l'écran et 20 pixels "
         "sous la barre des tâches ; "},
        {"a measured window that fits", "10.0.19045", 96, 96, {}, {1024, 768, 32}, 40, whole, kExitDone, 100, "", "[]"},
        // Its frame beyond the monitor is where Windows puts it: the whole work area shows.
        {"a maximised window", "10.0.19045", 96, 96, {}, {1024, 768, 32}, 40, maximised, kExitDone, 100, "", "[]", "",
         "",
         "[\r\n    {\"program\": \"caisse.exe\", \"title\": \"Caisse\", \"left\": -4, \"top\": -4, \"width\": 1032, "
         "\"height\": 736, \"hidden\": {\"left\": 0, \"top\": 0, \"right\": 0, \"bottom\": 0}, \"awareness\": "
         "\"unaware\", \"off_screen\": {\"left\": 0, \"top\": 0, \"right\": 0, \"bottom\": 0}, \"maximized\": true, "
         "\"full_screen\": false, \"main\": true}\r\n  ]",
         {}, " ; la fenêtre principale du logiciel de caisse (caisse.exe, 1024 x 728) s'y affiche entière. "},
        {"a full-screen window over the taskbar", "10.0.19045", 96, 96, {}, {1024, 768, 32}, 40, fullScreen, kExitDone,
         100, "", "[]", "", "", "\"hidden\": {\"left\": 0, \"top\": 0, \"right\": 0, \"bottom\": 0}, \"awareness\": "
         "\"unaware\", \"off_screen\": {\"left\": 0, \"top\": 0, \"right\": 0, \"bottom\": 0}, \"maximized\": false, "
         "\"full_screen\": true, \"main\": true}"},
        // Laid out in the work area, a few lines short of 738: the program fits as it runs.
        {"a main window sized to the work area", "10.0.19045", 96, 96, {}, {1024, 768, 32}, 40, workArea, kExitDone,
         100, "", "[]", "", "", "", {},
         " ; la fenêtre principale du logiciel de caisse (caisse.exe, 1024 x 728) s'y affiche entière. "},
        // A login box says nothing of the main window to come: the screen is too small for it.
        {"a login box on 800 x 600", "10.0.19045", 96, 96, {}, {800, 600, 32}, 40, login, kExitDisplayNotSuitable, 100,
         "écran de 800 x 600, plus petit que la fenêtre classique du logiciel de caisse (1024 x 738) : 138 pixels en "
         "hauteur et 224 pixels en largeur hors de l'écran et 40 pixels en hauteur sous la barre des tâches ; "
         "choisissez une résolution d'au moins 1024 x 778",
         "", "", "", "", {}, "la fenêtre classique (1024 x 738) n'y tient pas"},
        {"a process that cannot be opened", "10.0.19045", 96, 96, {}, {1280, 1024, 32}, 40, refused, kExitDone, 100,
         "", "[]", "", "",
         "[\r\n    {\"program\": null, \"title\": \"\", \"left\": 0, \"top\": 0, \"width\": 1024, "
         "\"height\": 738, \"hidden\": {\"left\": 0, \"top\": 0, \"right\": 0, \"bottom\": 10}, \"awareness\": "
         "\"unaware\", \"off_screen\": {\"left\": 0, \"top\": 0, \"right\": 0, \"bottom\": 0}, \"maximized\": false, "
         "\"full_screen\": false, \"main\": false}\r\n  ]"},
        // Unicode's line and paragraph separators and the C1 controls end a line for many tools.
        {"a title that would break the line", "10.0.19045", 96, 96, {}, {1024, 768, 32}, 40, named,
         kExitDisplayNotSuitable, 100, "la fenêtre « Caisse n° 2  fin » de caisse.exe (1024 x 738) est coupée",
         "", "", "", "", {}, "la fenêtre « Caisse n° 2  fin » de caisse.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        session.version = c.version;
        font.dpi = c.dpi;
        font.height = c.dpi == 96 ? 16 : 20;
        session.devices[0].dpi = c.dpiNow;
        session.xpStyle = c.xpStyle;
        display.setCurrent(c.mode);
        session.monitor = MonitorArea{{0, 0, c.mode.width, c.mode.height}, {0, 0, c.mode.width, c.mode.height - c.taskbar}};
        session.windows.clear();
        if (c.window) session.windows.push_back(*c.window);
        session.layers = c.layers;
        EXPECT_EQ(run({"/verifier"}), c.exit) << out.text;
        EXPECT_TRUE(contains(out.text, c.line)) << out.text;
        EXPECT_EQ(out.text.find('\n'), out.text.size() - 1) << "one line";
        std::string json = report();
        std::string verdict = member(json, "verdict", "text");
        EXPECT_TRUE(contains(verdict, "\"reasons\": [" + (c.reasons.empty() ? "]" : "\"" + c.reasons))) << verdict;
        if (!c.causes.empty()) {
            EXPECT_TRUE(verdict.ends_with("\"causes\": " + c.causes + "}")) << verdict;
        }
        EXPECT_TRUE(contains(member(json, "text", "current"), "\"stretch_percent\": " + std::to_string(c.stretch)));
        if (!c.text.empty()) {
            EXPECT_TRUE(contains(member(json, "text", "current"), c.text)) << json;
        }
        if (!c.drawn.empty()) {
            EXPECT_EQ(member(json, "drawn_windows", "till_windows"), c.drawn);
        }
        if (!c.windows.empty()) {
            EXPECT_TRUE(contains(member(json, "till_windows", "till_folder"), c.windows))
                << member(json, "till_windows", "till_folder");
        }
        EXPECT_EQ(member(json, "work_area", "drawn_windows"),
                  "{\"left\": 0, \"top\": 0, \"width\": " + std::to_string(c.mode.width) +
                      ", \"height\": " + std::to_string(c.mode.height - c.taskbar) + "}");
    }
}

// The saved resolution for every state of the record file, which stays as it was.
TEST_F(CommandLineTest, ReportReadsTheRecordFileWithoutChangingIt) {
    struct Case {
        const char* name;
        std::optional<std::string> file; // none: absent
        std::string saved;               // the member's value, or a part of its error
        bool isError;
    } cases[] = {
        {"absent", std::nullopt, "null", false},
        {"empty", "", "null", false},
        {"not initialised", "#init#12-08-202619:4" + rec("1024") + rec("768") + rec("16"), "null", false},
        {"valid, padded",
         savedFile("  800", "600 ", "8"),
         "{\"width\": \"800\", \"height\": \"600\", \"bits\": \"8\", \"since\": \"12-08-202619:4\"}", false},
        {"unusable width", savedFile("r\xE9gl\xE9", "768", "32"),
         "{\"width\": \"réglé\", \"height\": \"768\", \"bits\": \"32\", \"since\": \"12-08-202619:4\", \"error\": "
         "\"La résolution d'origine enregistrée dans le fichier « W_ECRA_R.WDO » n'est pas utilisable : la largeur "
         "« réglé » n'est pas une taille d'écran.\\r\\n",
         false},
        {"depth beyond 16 bits", savedFile("1024", "768", "99999"), "\"error\": \"La valeur « 99999 »", false},
        {"depth no display has", savedFile("1024", "768", "abc"),
         "\"bits\": \"abc\", \"since\": \"12-08-202619:4\", \"error\": \"La résolution d'origine enregistrée dans le "
         "fichier « W_ECRA_R.WDO » n'est pas utilisable : la profondeur de couleur « abc »",
         false},
        {"marker only", "#INIT#", "{\"width\": \"\", \"height\": \"\", \"bits\": \"\", \"since\": \"\", \"error\":",
         false},
        {"a folder of that name", std::nullopt,
         "{\"error\": \"Impossible d'ouvrir le fichier « W_ECRA_R.WDO » dans le dossier", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(kRecordFileName);
        if (c.file) writeAll(kRecordFileName, *c.file);
        if (c.isError) std::filesystem::create_directory(kRecordFileName);
        std::string saved = member(report(), "saved", "modes");
        if (c.saved.starts_with("{") && c.saved.ends_with("}")) {
            EXPECT_EQ(saved, c.saved);
        } else {
            EXPECT_TRUE(contains(saved, c.saved)) << saved;
        }
        if (c.file) {
            EXPECT_EQ(readAll(kRecordFileName), *c.file);
        } else if (!c.isError) {
            EXPECT_FALSE(std::filesystem::exists(kRecordFileName)) << "never created";
        }
    }
}

TEST_F(CommandLineTest, ReportToAFileIsWrittenWholeOrTheFailureIsTold) {
    writeAll(kRecordFileName, savedFile("1024", "768", "16"));
    std::string printed = report();
    std::filesystem::create_directory("rapports");
    writeAll("rapports/r.json", "an older, longer report that must be replaced entirely");
    EXPECT_EQ(run({"/RAPPORT:rapports/r.json"}), kExitDone) << err.text;
    EXPECT_EQ(readAll("rapports/r.json"), printed);
    EXPECT_EQ(out.text, "Rapport écrit dans « " + (dir_ / "rapports/r.json").string() + " ».\r\n");
    EXPECT_EQ(err.text, "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("rapports"), {}), 1) << "nothing left beside it";

    // A folder stands where the file should go.
    std::filesystem::create_directory("rapports/dossier.json");
    EXPECT_EQ(run({"/rapport:rapports/dossier.json"}), kExitReportNotWritten);
    EXPECT_EQ(out.text, "");
    EXPECT_TRUE(contains(err.text, "Impossible d'écrire le fichier « dossier.json » dans le dossier « " +
                                       (dir_ / "rapports").string() + " » : "))
        << err.text;

    // A name the system cannot take, below folders not there yet: refused, and the folders
    // made on the way to it go too.
    EXPECT_EQ(run({"/rapport:neuf/a/b/" + std::string(300, 'n') + ".json"}), kExitReportNotWritten);
    EXPECT_TRUE(contains(err.text, "Impossible d'écrire le fichier")) << err.text;
    EXPECT_FALSE(std::filesystem::exists("neuf")) << "nothing it made is left";

    out.broken = true;
    EXPECT_EQ(run({"/rapport"}), kExitReportNotWritten);
    EXPECT_EQ(err.text, "Le rapport n'a pas pu être écrit sur la sortie standard : le canal est fermé.\r\n");
    EXPECT_EQ(run({"/?"}), kExitReportNotWritten);
    EXPECT_EQ(err.text, "Le mode d'emploi n'a pas pu être écrit sur la sortie standard : le canal est fermé.\r\n");
}

// However the path reaches a record file, a report never replaces it nor takes its name,
// and nothing is left behind; a report beside it under a name of its own is written.
TEST_F(CommandLineTest, ReportIsNeverWrittenOverARecordFile) {
    std::string saved = savedFile("1024", "768", "16");
    const char* isIt = "c'est le fichier où diagreso garde la résolution d'origine, il n'a pas été modifié.";
    const char* itsName = "c'est le nom du fichier où diagreso garde la résolution d'origine, aucun fichier n'a été créé.";
    const char* holdsOne = "ce fichier contient une résolution d'origine enregistrée par diagreso (il commence par #INIT#)";
    auto record = [&] { writeAll(kRecordFileName, saved); };
    struct Case {
        std::string target;
        std::function<void()> setUp;
        const char* says;
    } cases[] = {
        {"W_ECRA_R.WDO", record, isIt},
        {"./W_ECRA_R.WDO", record, isIt},
        {(dir_ / kRecordFileName).string(), record, isIt},
        {"sous/../W_ECRA_R.WDO", record, isIt},
        // Linux tells case apart: this is a file the record's name would be given on Windows.
        {"w_ecra_r.wdo", record, itsName},
        {"W_ECRA_R.WDO. .", {}, itsName},
        {"sous/W_ECRA_R.WDO", [&] { writeAll("sous/W_ECRA_R.WDO", saved); }, isIt},
        {"sous/w_Ecra_R.wdo", {}, itsName},
        // Another name of the record file, or a copy of it.
        {"W_ECRA~1.WDO", [&] { record(), std::filesystem::create_hard_link(kRecordFileName, "W_ECRA~1.WDO"); },
         holdsOne},
        {"sauvegarde.wdo", [&] { writeAll("sauvegarde.wdo", saved); }, holdsOne},
        // Its name is the one the file has, not the one it is reached by; empty, it is still the record file.
        {"lien.json", [] { writeAll(kRecordFileName, ""), std::filesystem::create_symlink(kRecordFileName, "lien.json"); },
         isIt},
    };
    // Every file below the folder and what it holds.
    auto tree = [&] {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_))
            files[entry.path().string()] = entry.is_directory() ? "<folder>" : readAll(entry.path().string());
        return files;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) std::filesystem::remove_all(entry);
        std::filesystem::create_directory("sous");
        if (c.setUp) c.setUp();
        std::map<std::string, std::string> before = tree();
        EXPECT_EQ(run({"/rapport:" + c.target}), kExitReportNotWritten);
        EXPECT_EQ(out.text, "");
        EXPECT_TRUE(contains(err.text, c.says)) << err.text;
        EXPECT_EQ(tree(), before) << "nothing changed, nothing made";
    }
    record();
    EXPECT_EQ(run({"/rapport:W_ECRA_R.WDO.json"}), kExitDone) << "a name beside it is another file";
    EXPECT_EQ(readAll(kRecordFileName), saved);
}

// /retour: the revert's checks and change, from a file only read.
TEST_F(CommandLineTest, RestoreOutcomesAndExitCodes) {
    struct Case {
        const char* name;
        std::optional<std::string> file; // none: absent
        std::optional<int32_t> forced;   // the system's answer to the change
        int exit;
        Mode after;
        const char* outSays;
        const char* errSays;
        Mode storedBefore = {1440, 900, 32}; // the user's setting; the mode in force is 1440 x 900
        std::optional<Mode> storedAfter = {}; // none: `after` where done, else as before
    } cases[] = {
        {"back to the saved mode", savedFile("1024", "768", "16"), {}, kExitDone, {1024, 768, 16},
         "La résolution d'origine 1024 x 768 en 16 bits est rétablie.", ""},
        {"already in force", savedFile("1440", "900", "32"), {}, kExitDone, {1440, 900, 32},
         "La résolution d'origine 1440 x 900 en 32 bits était déjà en place.", ""},
        {"applied but not stored", savedFile("1024", "768", "16"), DISP_CHANGE_NOTUPDATED_, kExitAppliedNotStored,
         {1024, 768, 16}, "", "Elle ne sera pas conservée au prochain démarrage", {1440, 900, 32}, Mode{1440, 900, 32}},
        // A trial nobody answered, or another program's change for the session.
        {"in force but not stored", savedFile("1440", "900", "32"), {}, kExitDone, {1440, 900, 32},
         "La résolution d'origine 1440 x 900 en 32 bits était en place pour cette session ; elle est enregistrée.",
         "", {1024, 768, 32}},
        {"in force, not storable", savedFile("1440", "900", "32"), DISP_CHANGE_NOTUPDATED_, kExitAppliedNotStored,
         {1440, 900, 32}, "", "Elle ne sera pas conservée au prochain démarrage", {1024, 768, 32}, Mode{1024, 768, 32}},
        {"refused", savedFile("1024", "768", "16"), DISP_CHANGE_FAILED_, kExitModeRefused, {1440, 900, 32}, "",
         "La résolution 1024 x 768 en 16 bits n'a pas été appliquée : le pilote"},
        {"not offered", savedFile("1000", "700", "32"), {}, kExitModeRefused, {1440, 900, 32}, "",
         "l'écran ne propose pas ce mode (code -2)"},
        {"absent", std::nullopt, {}, kExitNoSavedMode, {1440, 900, 32}, "",
         "Il n'y a pas de fichier « W_ECRA_R.WDO » dans le dossier"},
        {"not initialised", "#INIT" + rec("1024"), {}, kExitNoSavedMode, {1440, 900, 32}, "",
         "ne contient pas de résolution d'origine"},
        {"width no screen size", savedFile("0", "768", "16"), {}, kExitNoSavedMode, {1440, 900, 32}, "",
         "la largeur « 0 » n'est pas une taille d'écran"},
        {"height missing", "#INIT#" + std::string(14, ' ') + rec("1024"), {}, kExitNoSavedMode, {1440, 900, 32}, "",
         "la hauteur «  »"},
        {"depth beyond 16 bits", savedFile("1024", "768", "99999"), {}, kExitNoSavedMode, {1440, 900, 32}, "",
         "La valeur « 99999 » est trop grande"},
        {"depth not a number", savedFile("1024", "768", "abc"), {}, kExitNoSavedMode, {1440, 900, 32}, "",
         "la profondeur de couleur « abc » n'est pas un nombre de bits par pixel de 1 à 32"},
        {"depth blank", savedFile("1024", "768", ""), {}, kExitNoSavedMode, {1440, 900, 32}, "",
         "la profondeur de couleur «  »"},
        {"depth beyond any display", savedFile("1024", "768", "99"), {}, kExitNoSavedMode, {1440, 900, 32}, "",
         "la profondeur de couleur « 99 »"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(kRecordFileName);
        if (c.file) writeAll(kRecordFileName, *c.file);
        display.setCurrent({1440, 900, 32});
        display.setStored(c.storedBefore);
        display.forceResult(c.forced);
        display.clearLog();
        EXPECT_EQ(run({"/retour"}), c.exit);
        EXPECT_EQ(display.current(), c.after);
        EXPECT_EQ(display.stored(), c.storedAfter.value_or(c.exit == kExitDone ? c.after : c.storedBefore));
        EXPECT_TRUE(contains(out.text, c.outSays)) << out.text;
        EXPECT_EQ(out.text.empty(), *c.outSays == 0) << out.text;
        EXPECT_TRUE(contains(err.text, c.errSays)) << err.text;
        EXPECT_EQ(err.text.empty(), *c.errSays == 0) << err.text;
        // The window's change: announced only when in force, and then twice.
        bool changed = c.after != Mode{1440, 900, 32};
        EXPECT_EQ(display.count(Kind::Broadcast), changed ? 2u : 0u);
        if (c.file) {
            EXPECT_EQ(readAll(kRecordFileName), *c.file);
        } else {
            EXPECT_FALSE(std::filesystem::exists(kRecordFileName)) << "never created";
        }
    }
}
