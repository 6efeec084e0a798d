// /synthese over folders of reports: every layout, files that are not reports, two
// reports of one till, hostile strings, an empty folder; the line, the table and the page.
#include "command_line/command_line.h"
#include "command_line/json.h"
#include "display/simulated_display.h"
#include "display/simulated_font.h"
#include "display/simulated_session.h"
#include "main_window/form1_design.h"
#include "support/fixed_clock.h"
#include "synthese/json_reader.h"
#include "synthese/report_reading.h"
#include "synthese/synthese.h"
#include "temp_dir.h"

#include <filesystem>
#include <map>

using namespace diag;

namespace {

const std::string kNormal = R"("text": {"state": "Normale", "height_px": 16, "dpi": 96)";

// A report as the version of that layout wrote it (layout 5 as its contract gives it).
std::string crafted(int layout, const std::string& computer, const std::string& time, const std::string& verdict = {},
                    const std::string& tillWindows = "[]", const std::string& user = "CAISSE\\caisse") {
    std::string r = R"({"program": "diagreso", "version": "1.1.0", )";
    if (layout >= 2) r += "\"schema\": " + std::to_string(layout) + ", ";
    r += "\"computer\": " + jsonString(computer) + ", \"time\": \"" + time + "\", ";
    if (layout >= 2)
        r += R"("os": {"version": "10.0.19045"}, "session": {"id": 1, "console_id": 1, "window_station": "WinSta0", )"
             R"("visible": true, "remote": false, "user": )" + jsonString(user) + R"(, "shows_the_screen": true}, )";
    if (layout >= 3) r += "\"verdict\": " + verdict + ", ";
    r += kNormal + (layout >= 2 ? ", \"scale_percent\": null" : "") +
         (layout >= 4 ? R"(, "stretch_percent": 100, "dpi_at_sign_in": 96, "dpi_now": 96)" : "") + "}, ";
    r += R"("current": {"width": 1024, "height": 768, "bits": 32, "frequency": 60}, )";
    if (layout >= 2) r += R"("displays": [], )";
    r += R"("record_file": "C:\\Caisse\\W_ECRA_R.WDO", "saved": {"width": "1024", "height": "768", "bits": "32", )"
         R"("since": "12-01-202609:0"}, "modes": [], "tests": [])";
    if (layout >= 4)
        r += R"(, "work_area": {"left": 0, "top": 0, "width": 1024, "height": 728}, "drawn_windows": )"
             R"({"classic": {"width": 1024, "height": 738}, "wide": {"width": 1368, "height": 738}}, "till_windows": )" +
             tillWindows;
    return r + "}\r\n";
}

const std::string kLayout3Verdict =
    R"({"ok": false, "reasons": ["caractères Grossie : la taille des caractères de Windows doit être de 96 ppp ou )"
    R"x(100 %", "écran de 800 x 600, plus petit que la fenêtre classique du logiciel de caisse (1024 x 738)"], )x"
    R"("classic_window_fits": false, "wide_window_fits": false})";
const std::string kCutWindow =
    R"([{"program": "caisse.exe", "title": "Caisse", "left": 0, "top": 100, "width": 1024, "height": 738, )"
    R"("hidden": {"left": 0, "top": 0, "right": 0, "bottom": 110}, "off_screen": {"left": 0, "top": 0, "right": 0, )"
    R"("bottom": 70}, "maximized": false, "full_screen": false, "main": true, "awareness": "unaware"}])";
const std::string kLayout5Verdict =
    R"({"ok": false, "reasons": ["la barre des tâches cache 10 pixels en hauteur de la fenêtre classique", )"
    R"("la fenêtre « Caisse » de caisse.exe (1024 x 738) est coupée : 70 pixels en bas hors de l'écran"], )"
    R"("causes": [{"code": "taskbar", "window": {"width": 1024, "height": 738}, "off_screen": {"width": 0, "height": )"
    R"(0}, "under_taskbar": {"width": 0, "height": 10}, "at_least": {"width": 1024, "height": 778}}, {"code": )"
    R"("till_window_cut", "program": "caisse.exe", "off_screen": {"left": 0, "top": 0, "right": 0, "bottom": 70}, )"
    R"("under_taskbar": {"left": 0, "top": 0, "right": 0, "bottom": 40}}], "classic_window_fits": false, )"
    R"("wide_window_fits": false})";
const std::string kLayout4Verdict =
    R"({"ok": false, "reasons": ["caractères Grossie : la taille des caractères de Windows doit être de 96 ppp ou )"
    R"(100 % ; Windows agrandit le logiciel de caisse comme une image, à 150 %, et il est flou : sa fenêtre )"
    R"x(classique couvre 1536 x 1107 pixels et ne tient pas dans l'espace de travail (1024 x 728)"], )x"
    R"("classic_window_fits": false, "wide_window_fits": false})";
const std::string kCorrect = R"({"ok": true, "reasons": [], "classic_window_fits": true, "wide_window_fits": true})";
const std::string kTaskbar3 =
    R"({"ok": false, "reasons": ["la barre des tâches cache 10 pixels"], "classic_window_fits": false, )"
    R"("wide_window_fits": false})";

class SyntheseTest : public InTempDir {
  protected:
    // The current exe's own report, from the simulated till.
    std::string current(const std::string& computer, int fontHeight = 16, uint32_t dpi = 96) {
        SimulatedDisplay display{{1280, 1024, 32}};
        SimulatedFont font{fontHeight};
        font.dpi = dpi;
        SimulatedSession session;
        session.devices[0].dpi = dpi;
        test::FixedClock clock;
        clock.time = {2026, 12, 9, 8, 0, 0};
        return buildReport({display, font, session, clock, "1.2.0", computer, testButtonCaptions()}, session.session());
    }
    SummaryRun summarise(const std::map<std::string, std::string>& files) {
        std::filesystem::create_directory("rapports");
        for (const auto& [name, bytes] : files) {
            std::filesystem::create_directories(std::filesystem::path("rapports/" + name).parent_path());
            writeAll("rapports/" + name, bytes);
        }
        return summariseFolder("rapports", {2026, 12, 10, 14, 3, 0});
    }
    // The table's row of a till, from its first field on.
    static std::string row(const std::string& table, const std::string& start) {
        size_t at = table.find("\r\n" + start);
        return at == std::string::npos ? "<none>" : table.substr(at + 2, table.find("\r\n", at + 2) - at - 2);
    }
};

} // namespace

TEST_F(SyntheseTest, FoldersOfReports) {
    std::string report = crafted(3, "CAISSE-09", "2026-12-08T10:00:00", kCorrect);
    std::string nested = "[";
    for (int i = 0; i < kMostJsonDepth; ++i) nested += "[";
    struct Case {
        const char* name;
        std::map<std::string, std::string> files;
        const char* counts; // as the line says them
        std::vector<std::string> rows, pageSays, pageNeverSays;
    } cases[] = {
        {"every layout, in subfolders",
         {{"l1.json", crafted(1, "L1", "2026-12-01T09:00:00")},
          {"magasin-2/l2.json", crafted(2, "L2", "2026-12-01T09:00:00")},
          {"magasin-2/l3.JSON", crafted(3, "L3", "2026-12-01T09:00:00", kLayout3Verdict)},
          {"magasin-3/sous/l4.json", crafted(4, "L4", "2026-12-01T09:00:00", kLayout4Verdict)},
          {"magasin-3/r5.json", current("R5", 20, 120)},
          {"l5.json", crafted(5, "L5", "2026-12-01T09:00:00", kLayout5Verdict, kCutWindow)},
          {"ok.json", current("OK")},
          {"notes.txt", "pas un rapport, pas lu"}},
         "7 fichiers, 7 caisses (1 correcte, 4 incorrectes, 2 non jugées), 0 non lu",
         {"L5;CAISSE\\caisse;incorrect;taskbar till_window_cut;\"la barre des tâches cache 10 pixels en hauteur de la "
          "fenêtre classique ; la fenêtre « Caisse » de caisse.exe (1024 x 738) est coupée : 70 pixels en bas hors de "
          "l'écran\";Normale;96;100;1024;768;1024;768;1024;728;caisse.exe;Caisse;0;0;0;110;2026-12-01 09:00:00;1;non;5;"
          "l5.json",
          "L3;CAISSE\\caisse;incorrect;text_enlarged screen_too_small;",
          "L4;CAISSE\\caisse;incorrect;text_enlarged stretched;",
          "R5;CAISSE-01\\caisse;incorrect;text_enlarged stretched;",
          "OK;CAISSE-01\\caisse;correct;;affichage correct;Normale;96;100;1280;1024;;;;;;;;;;;2026-12-09 08:00:00;1;non;5;ok.json", "L1;;non jugé;;rapport de disposition 1, sans verdict;Normale;96;;1024;768;1024;768;;;",
          "L2;CAISSE\\caisse;non jugé;"},
         {"<code>stretched</code>", "à 125 %", "à 150 %", "caisse.exe « Caisse » : 110 px en bas"},
         {"notes.txt"}},
        {"files that are not reports beside one that is",
         {{"a-pas-json.json", "bonjour"},
          {"b-coupe.json", report.substr(0, 120)},
          {"c-latin1.json", "{\"program\": \"diagreso\", \"computer\": \"CAISSE-\xE9\"}"},
          {"c-surrogate.json", R"({"program": "diagreso", "computer": "\ud800"})"},
          {"d-imbrique.json", nested},
          {"e-grand.json", report + std::string(kMostReportBytes, ' ')},
          {"f-futur.json", R"({"program": "diagreso", "schema": 6, "computer": "X"})"},
          {"g-autre.json", R"({"program": "autre", "schema": 4})"},
          {"h-type.json", crafted(3, "H", "2026-12-01T09:00:00", R"({"ok": "oui", "reasons": []})")},
          {"i-heure.json", crafted(3, "I", "hier", kCorrect)},
          {"j-bon.json", report}},
         "11 fichiers, 1 caisse (1 correcte, 0 incorrecte, 0 non jugée), 10 non lus",
         {"CAISSE-09;", ";;non lu;;ce n'est pas du JSON (octet 0);;;;;;;;;;;;;;;;;;;;a-pas-json.json",
          ";;non lu;;le fichier est coupé avant la fin du JSON;",
          ";;non lu;;ce n'est pas du texte UTF-8 (octet 44);",
          ";;non lu;;ce n'est pas du texte UTF-8 (octet 37);",
          ";;non lu;;JSON imbriqué sur plus de 16 niveaux, ce n'est pas un rapport;",
          ";;non lu;;plus grand que 1 Mio, la taille la plus grande d'un rapport;",
          ";;non lu;;rapport de disposition 6, plus récente que celles que cette version de diagreso lit (1 à 5);",
          ";;non lu;;ce n'est pas un rapport de diagreso;",
          ";;non lu;;le membre « verdict.ok » n'a pas la forme d'un rapport de disposition 3;",
          ";;non lu;;l'heure du rapport n'a pas la forme AAAA-MM-JJThh:mm:ss;"},
         {"<td>f-futur.json</td><td>rapport de disposition 6"},
         {}},
        // The latest by time, not by file name; a name in another case is the same till.
        {"two reports of one till",
         {{"a.json", crafted(3, "caisse-07", "2026-12-08T10:00:00", kCorrect)},
          {"b.json", crafted(3, "CAISSE-07", "2026-12-01T10:00:00", kTaskbar3)},
          {"c.json", crafted(3, "CAISSE-08", "2026-12-01T10:00:00", kTaskbar3)},
          {"d.json", crafted(3, "CAISSE-08", "2026-12-02T10:00:00", kTaskbar3)}},
         "4 fichiers, 2 caisses (1 correcte, 1 incorrecte, 0 non jugée), 0 non lu",
         {"CAISSE-08;CAISSE\\caisse;incorrect;taskbar;la barre des tâches cache 10 pixels;Normale;96;;1024;768;1024;"
          "768;;;;;;;;;2026-12-02 10:00:00;2;non;3;d.json",
          "caisse-07;CAISSE\\caisse;correct;;affichage correct;Normale;96;;1024;768;1024;768;;;;;;;;;"
          "2026-12-08 10:00:00;2;oui;3;a.json"},
         {},
         {}},
        {"hostile strings",
         {{"x1.json", crafted(3, "<script>document.title='x'</script>", "2026-12-01T09:00:00", kCorrect,
                              "[]", "\"><img src=x onerror=alert(1)>")},
          {"x2.json", crafted(3, "=1+2;\"A\"", "2026-12-01T09:00:00", kCorrect, "[]", "@SOMME(1)")},
          {"x3.json", crafted(3, "&amp;", "2026-12-01T09:00:00", kCorrect, "[]", "\tTAB")},
          {"x4.json", crafted(3, "-2", "2026-12-01T09:00:00", kCorrect, "[]", "+33")}},
         "4 fichiers, 4 caisses (4 correctes, 0 incorrecte, 0 non jugée), 0 non lu",
         {"\"'=1+2;\"\"A\"\"\";'@SOMME(1);correct;", "'-2;'+33;", "\"&amp;\";'\tTAB;",
          "<script>document.title='x'</script>;\"\"\"><img src=x onerror=alert(1)>\";"},
         {"<td class=\"w\">&lt;script&gt;document.title=&#39;x&#39;&lt;/script&gt;</td><td class=\"w\">&quot;&gt;"
          "&lt;img src=x onerror=alert(1)&gt;</td>",
          "<td class=\"w\">&amp;amp;</td>"},
         {"<script>", "<img"}},
        {"an empty folder", {}, "0 fichier, 0 caisse (0 correcte, 0 incorrecte, 0 non jugée), 0 non lu", {},
         {"Aucun rapport lisible dans ce dossier.", "Aucun : tous les fichiers .json du dossier ont été lus."}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all("rapports");
        SummaryRun run = summarise(c.files);
        EXPECT_EQ(run.exitCode, kExitDone) << run.error;
        EXPECT_EQ(run.error, "");
        EXPECT_EQ(run.said, "Synthèse de « " + (dir_ / "rapports").string() + " » : " + c.counts + " ; écrite dans « " +
                                (dir_ / "synthese.html").string() + " » et « " + (dir_ / "synthese.csv").string() +
                                " ».\r\n");
        std::string table = readAll("synthese.csv"), page = readAll("synthese.html");
        EXPECT_EQ(table.substr(0, 14), "\xEF\xBB\xBF" "ordinateur;");
        size_t rows = 0;
        for (size_t at = 0; (at = table.find("\r\n", at)) != std::string::npos; at += 2) ++rows;
        EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), static_cast<long>(rows)) << "CRLF only";
        for (const std::string& r : c.rows) EXPECT_EQ(row(table, r).substr(0, r.size()), r) << table;
        for (const std::string& s : c.pageSays) EXPECT_NE(page.find(s), std::string::npos) << s;
        for (const std::string& s : c.pageNeverSays) EXPECT_EQ(page.find(s), std::string::npos) << s;
        EXPECT_EQ(page.find("<script"), std::string::npos) << "no markup from a report";
    }
}

// Where nothing may be written, nothing is; and the folder of reports is only read.
TEST_F(SyntheseTest, OutputsNeverGoWhereTheyMustNot) {
    std::string report = crafted(3, "CAISSE-01", "2026-12-08T10:00:00", kCorrect);
    SummaryRun absent = summariseFolder("absent", {2026, 12, 10, 14, 3, 0});
    EXPECT_EQ(absent.exitCode, kExitFolderNotRead);
    EXPECT_NE(absent.error.find("Le dossier des rapports « " + (dir_ / "absent").string() + " » ne peut pas être lu"),
              std::string::npos)
        << absent.error;
    writeAll("un-fichier.json", report);
    EXPECT_EQ(summariseFolder("un-fichier.json", {2026, 12, 10, 14, 3, 0}).exitCode, kExitFolderNotRead);

    // Run from inside the folder of reports: refused before anything is written.
    summarise({{"r.json", report}});
    std::filesystem::remove("synthese.html");
    std::filesystem::remove("synthese.csv");
    std::filesystem::current_path("rapports");
    SummaryRun inside = summariseFolder("..", {2026, 12, 10, 14, 3, 0});
    std::filesystem::current_path(dir_);
    EXPECT_EQ(inside.exitCode, kExitReportNotWritten);
    EXPECT_NE(inside.error.find("où /synthese ne doit rien écrire"), std::string::npos) << inside.error;
    EXPECT_EQ(std::distance(std::filesystem::recursive_directory_iterator(dir_),
                            std::filesystem::recursive_directory_iterator()),
              3)
        << "rapports, r.json and un-fichier.json only";

    // A report (any JSON) or a record file under an output's name is never replaced.
    for (const std::string& there : {report, std::string("#INIT#12-08-202619:4")}) {
        writeAll("synthese.csv", there);
        SummaryRun refused = summariseFolder("rapports", {2026, 12, 10, 14, 3, 0});
        EXPECT_EQ(refused.exitCode, kExitReportNotWritten);
        EXPECT_NE(refused.error.find("Le tableau n'a pas été écrit : "), std::string::npos) << refused.error;
        EXPECT_NE(refused.error.find("La page est écrite dans"), std::string::npos) << refused.error;
        EXPECT_EQ(readAll("synthese.csv"), there);
    }
    EXPECT_EQ(readAll("rapports/r.json"), report);
}
