#include "command_line/restore.h"

#include "app/error_report.h"
#include "app/errors.h"
#include "display/display_errors.h"
#include "store/store_errors.h"
#include "app/module1.h"
#include "app/values.h"
#include "display/display_modes.h"
#include "app/exit_code.h"
#include "command_line/report.h"
#include "store/record_file.h"
#include "store/saved_resolution.h"

namespace diag {

int restoreSavedMode(DisplayApi& display, const SessionInfo& session, TextOutput& out, TextOutput& err) {
    if (!session.showsTheScreen()) {
        err.write("Rien n'a été changé : " + sessionWarning(session) + "\r\n");
        return kExitNotTheScreen;
    }
    Module1 m;
    try {
        SavedFile saved = readSavedFile(m);
        if (saved.state != SavedFile::State::Initialised)
            throw NoSavedModeError(kRecordFileName, saved.directory, saved.state == SavedFile::State::Absent);
        if (saved.refused) std::rethrow_exception(saved.refused);
    } catch (const std::exception& e) {
        err.write(describeError(e) + "\r\n");
        return kExitNoSavedMode;
    }
    try {
        DisplayModes modes(display);
        using Outcome = DisplayModes::Outcome;
        Outcome outcome = modes.ChangeResolution(m.ModeWidth, m.ModeHeight, m.ModeBits);
        int32_t width = toInt32(m.ModeWidth), height = toInt32(m.ModeHeight);
        // In force, but the next sign-in brings the stored one back: no success.
        if (outcome == Outcome::AppliedNotStored) {
            err.write(describeError(DisplayChangeError(width, height, m.ModeBits, DISP_CHANGE_NOTUPDATED_)) + "\r\n");
            return kExitAppliedNotStored;
        }
        out.write("La résolution d'origine " + std::to_string(width) + " x " + std::to_string(height) + " en " +
                  std::to_string(m.ModeBits) + " bits " +
                  (outcome == Outcome::AlreadyInForce ? "était déjà en place."
                   : outcome == Outcome::StoredOnly   ? "était en place pour cette session ; elle est enregistrée."
                                                      : "est rétablie.") +
                  "\r\n");
        return kExitDone;
    } catch (const std::exception& e) {
        err.write(describeError(e) + "\r\n");
        return kExitModeRefused;
    }
}

} // namespace diag
