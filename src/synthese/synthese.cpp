#include "synthese/synthese.h"

#include "app/error_report.h"
#include "app/exit_code.h"
#include "store/paths.h"
#include "store/whole_file.h"
#include "synthese/fleet.h"
#include "synthese/outputs.h"
#include "synthese/report_files.h"

namespace diag {

namespace {

std::string plural(int n, const char* one, const char* many) { return std::to_string(n) + " " + (n > 1 ? many : one); }

// A JSON text (a report, perhaps not ours) begins with { or [, after blanks and perhaps a
// byte-order mark.
bool looksLikeJson(std::string_view head) {
    if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
    size_t at = head.find_first_not_of(" \t\r\n");
    return at != std::string_view::npos && (head[at] == '{' || head[at] == '[');
}

// Written whole, or the French reason why not; never over a record file or a report.
std::string writeOutput(const std::string& path, std::string_view bytes) {
    try {
        OpenedFile target = openedFile(path, 64);
        if (recordGuard(target) != GuardedWrite::Written)
            return "« " + path + " » est le fichier où diagreso garde une résolution d'origine (ou en porte le nom) : "
                   "il n'a pas été modifié";
        if (target.existed && looksLikeJson(target.head))
            return "« " + path + " » contient du JSON, peut-être un rapport : il n'a pas été remplacé";
        replaceWhole(target.path, path, bytes);
        target.madeFolders.keep();
        return {};
    } catch (const std::exception& e) {
        std::string said = describeError(e);
        while (!said.empty() && (said.back() == '.' || said.back() == '\n' || said.back() == '\r')) said.pop_back();
        return said;
    }
}

} // namespace

SummaryRun summariseFolder(const std::string& folder, const LocalTime& now) {
    SummaryRun run;
    std::string full = absolutePath(folder);
    FolderListing listing = listReportFiles(full);
    if (!listing.unreadable.empty()) {
        run.exitCode = kExitFolderNotRead;
        run.error = "Le dossier des rapports « " + full + " » ne peut pas être lu : " + listing.unreadable +
                    ".\r\nRien n'a été écrit.\r\n";
        return run;
    }
    std::string page = absolutePath(kSummaryPage), table = absolutePath(kSummaryTable);
    std::string here(folderOf(page));
    if (folderWithin(here.empty() ? "." : here, full)) {
        run.exitCode = kExitReportNotWritten;
        run.error = "La synthèse n'est pas écrite : le dossier courant « " + here +
                    " » est dans le dossier des rapports « " + full +
                    " », où /synthese ne doit rien écrire.\r\nLancez-la depuis un autre dossier.\r\n";
        return run;
    }

    Fleet fleet;
    for (const std::string& file : listing.files) {
        FileBytes read = readFileShared(joinPath(full, file), kMostReportBytes);
        if (read.tooLarge)
            fleet.add(file, {std::nullopt, kTooLargeReason});
        else if (!read.failure.empty())
            fleet.add(file, {std::nullopt, "illisible : " + read.failure});
        else
            fleet.add(file, readReport(read.bytes));
    }
    for (const FolderListing::Skipped& s : listing.skipped) fleet.addNotRead(s.folder, "dossier illisible : " + s.reason);

    int notRead = static_cast<int>(fleet.notRead().size());
    std::string counts = plural(fleet.files(), "fichier", "fichiers") + ", " +
                         plural(fleet.tills(), "caisse", "caisses") + " (" +
                         plural(fleet.count(Outcome::Correct), "correcte", "correctes") + ", " +
                         plural(fleet.count(Outcome::Incorrect), "incorrecte", "incorrectes") + ", " +
                         std::to_string(fleet.count(Outcome::NotJudged)) +
                         (fleet.count(Outcome::NotJudged) > 1 ? " non jugées" : " non jugée") + "), " +
                         plural(notRead, "non lu", "non lus");
    std::string pageFailed = writeOutput(page, fleetPage(fleet, full, now));
    std::string tableFailed = writeOutput(table, fleetTable(fleet));
    if (pageFailed.empty() && tableFailed.empty()) {
        run.said = "Synthèse de « " + full + " » : " + counts + " ; écrite dans « " + page + " » et « " + table +
                   " ».\r\n";
        return run;
    }
    run.exitCode = kExitReportNotWritten;
    run.error = "Synthèse de « " + full + " » : " + counts + ".\r\n";
    if (!pageFailed.empty()) run.error += "La page n'a pas été écrite : " + pageFailed + ".\r\n";
    else run.error += "La page est écrite dans « " + page + " ».\r\n";
    if (!tableFailed.empty()) run.error += "Le tableau n'a pas été écrit : " + tableFailed + ".\r\n";
    else run.error += "Le tableau est écrit dans « " + table + " ».\r\n";
    return run;
}

} // namespace diag
