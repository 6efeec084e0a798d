#include "command_line/command_line.h"

#include "app/error_report.h"
#include "app/values.h"
#include "command_line/restore.h"
#include "command_line/verdict.h"
#include "store/paths.h"
#include "store/saved_resolution.h"
#include "store/whole_file.h"
#include "synthese/synthese.h"

namespace diag {

namespace {

Invocation bad(std::string problem) { return {Invocation::Switch::Bad, {}, std::move(problem)}; }

int writeReport(const std::string& file, const ReportSources& sources, TextOutput& out, TextOutput& err) {
    SessionInfo session = sources.session.session();
    Findings found;
    // Written all the same: the saved resolution and the session's own displays are news.
    auto written = [&] {
        if (found.current) return kExitDone;
        err.write("Le rapport ne décrit pas l'écran de la caisse : " +
                  (session.showsTheScreen() ? std::string(kModeUnknownReason) + "." : sessionWarning(session)) +
                  "\r\n");
        return kExitNotTheScreen;
    };
    std::string path;
    try {
        found = gatherFindings(sources, session);
        std::string json = buildReport(sources, found);
        if (file.empty()) {
            if (out.write(json)) return written();
            err.write("Le rapport n'a pas pu être écrit sur la sortie standard : " + out.failure() + ".\r\n");
            return kExitReportNotWritten;
        }
        // Absolute, so that a failure names the folder.
        path = absolutePath(file);
        // A record file replaced by a report would make the next start take the mode in
        // force, perhaps one under test, for the origin.
        std::string why;
        switch (writeWholeFileUnlessRecord(path, json)) {
        case GuardedWrite::Written: break;
        case GuardedWrite::RecordFile:
            why = "c'est le fichier où diagreso garde la résolution d'origine, il n'a pas été modifié";
            break;
        case GuardedWrite::RecordFileName:
            why = "c'est le nom du fichier où diagreso garde la résolution d'origine, aucun fichier n'a été créé";
            break;
        case GuardedWrite::RecordCopy:
            why = "ce fichier contient une résolution d'origine enregistrée par diagreso (il commence par " +
                  std::string(kInitMarker) + "), il n'a pas été modifié";
            break;
        }
        if (!why.empty()) {
            err.write("Le rapport ne peut pas être écrit dans « " + path + " » : " + why +
                      ".\r\nChoisissez un autre nom de fichier.\r\n");
            return kExitReportNotWritten;
        }
    } catch (const std::exception& e) {
        err.write(describeError(e) + "\r\n");
        return kExitReportNotWritten;
    }
    out.write("Rapport écrit dans « " + path + " ».\r\n");
    return written();
}

// The verdict on standard output; its exit code says it to a script.
int writeVerdict(const ReportSources& sources, TextOutput& out, TextOutput& err) {
    try {
        Findings found = gatherFindings(sources, sources.session.session());
        Verdict verdict = decideVerdict(found);
        if (!out.write(verdictLine(sources.computer, found, verdict) + "\r\n")) {
            err.write("Le verdict n'a pas pu être écrit sur la sortie standard : " + out.failure() + ".\r\n");
            return kExitReportNotWritten;
        }
        return !verdict.ok ? kExitNotTheScreen : *verdict.ok ? kExitDone : kExitDisplayNotSuitable;
    } catch (const std::exception& e) {
        err.write(describeError(e) + "\r\n");
        return kExitReportNotWritten;
    }
}

} // namespace

Invocation parseArguments(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return {};
    if (arguments.size() > 1) {
        std::string all;
        for (const std::string& a : arguments) all += (all.empty() ? "" : " ") + a;
        return bad("Un seul argument à la fois : « " + all + " ».");
    }
    const std::string& argument = arguments[0];
    if (argument.empty() || (argument[0] != '/' && argument[0] != '-'))
        return bad("Argument inconnu : « " + argument + " ».");
    std::string name = lowerAscii(std::string_view(argument).substr(1));
    constexpr std::string_view kToFile = "rapport:";
    constexpr std::string_view kSummary = "synthese:";
    if (name == "?" || name == "aide") return {Invocation::Switch::Usage, {}, {}};
    if (name == "retour") return {Invocation::Switch::Restore, {}, {}};
    if (name == "rapport") return {Invocation::Switch::Report, {}, {}};
    if (name == "verifier") return {Invocation::Switch::Verify, {}, {}};
    if (name.starts_with(kToFile)) {
        std::string file = argument.substr(1 + kToFile.size());
        if (file.empty()) return bad("Il manque le nom du fichier après « " + argument + " ».");
        return {Invocation::Switch::Report, file, {}};
    }
    if (name.starts_with(kSummary)) {
        std::string folder = argument.substr(1 + kSummary.size());
        if (folder.empty()) return bad("Il manque le dossier des rapports après « " + argument + " ».");
        return {Invocation::Switch::Summary, folder, {}};
    }
    return bad("Argument inconnu : « " + argument + " ».");
}

std::string usageText() {
    return "diagreso : diagnostic de la résolution de l'écran pour logiciel de caisse.\r\n"
           "Sans argument, il ouvre sa fenêtre.\r\n"
           "\r\n"
           "  diagreso /rapport           rapport (JSON) sur la sortie standard\r\n"
           "  diagreso /rapport:FICHIER   rapport écrit dans FICHIER\r\n"
           "  diagreso /retour            retour à la résolution d'origine enregistrée dans\r\n"
           "                              W_ECRA_R.WDO (dossier courant), sans fenêtre\r\n"
           "  diagreso /verifier          verdict en une ligne : le logiciel de caisse\r\n"
           "                              s'affichera-t-il correctement ici ?\r\n"
           "  diagreso /synthese:DOSSIER  synthèse des rapports de DOSSIER (et de ses\r\n"
           "                              sous-dossiers) : synthese.html et synthese.csv,\r\n"
           "                              écrits dans le dossier courant\r\n"
           "  diagreso /? ou /aide        ce mode d'emploi\r\n"
           "\r\n"
           "Un seul argument à la fois ; -rapport vaut /rapport, en majuscules comme en\r\n"
           "minuscules. W_ECRA_R.WDO est seulement lu : ni créé, ni modifié.\r\n"
           "\r\n"
           "Codes de sortie :\r\n"
           "  0 réussite (pour /verifier : affichage correct)\r\n"
           "  1 rapport, verdict ou synthèse non écrit\r\n"
           "  2 argument inconnu\r\n"
           "  3 W_ECRA_R.WDO absent, non initialisé ou inutilisable\r\n"
           "  4 mode refusé par le système\r\n"
           "  5 cette session ne montre pas l'écran de la caisse (service, tâche sans\r\n"
           "    utilisateur connecté, Bureau à distance) ou Windows n'a pas indiqué la\r\n"
           "    résolution en vigueur : rapport écrit sans l'écran, /retour ne change\r\n"
           "    rien, /verifier ne peut pas conclure (ni sans la taille des caractères)\r\n"
           "  6 affichage incorrect (/verifier) : caractères grossis ou écran plus petit\r\n"
           "    que 1024 x 738\r\n"
           "  8 /retour : résolution d'origine appliquée, mais Windows n'a pas pu\r\n"
           "    l'enregistrer ; elle ne sera pas conservée au prochain démarrage\r\n"
           "  9 /synthese : le dossier des rapports ne peut pas être lu\r\n";
}

int runSwitch(const Invocation& call, const ReportSources& sources, TextOutput& out, TextOutput& err) {
    switch (call.what) {
    case Invocation::Switch::Window: return kExitDone; // the window is not a switch
    case Invocation::Switch::Usage:
        if (out.write(usageText())) return kExitDone;
        err.write("Le mode d'emploi n'a pas pu être écrit sur la sortie standard : " + out.failure() + ".\r\n");
        return kExitReportNotWritten;
    case Invocation::Switch::Bad: err.write(call.problem + "\r\n\r\n" + usageText()); return kExitBadArguments;
    case Invocation::Switch::Report: return writeReport(call.file, sources, out, err);
    case Invocation::Switch::Restore: return restoreSavedMode(sources.display, sources.session.session(), out, err);
    case Invocation::Switch::Verify: return writeVerdict(sources, out, err);
    case Invocation::Switch::Summary: {
        SummaryRun run = summariseFolder(call.file, sources.clock.now());
        if (!run.said.empty() && !out.write(run.said)) {
            err.write("La synthèse est écrite, mais pas sa ligne sur la sortie standard : " + out.failure() + ".\r\n");
            return kExitReportNotWritten;
        }
        if (!run.error.empty()) err.write(run.error);
        return run.exitCode;
    }
    }
    return kExitBadArguments;
}

} // namespace diag
