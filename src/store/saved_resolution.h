#pragma once
// The saved-resolution store: W_ECRA_R.WDO keeps, in records 1 to 4, a marker with the
// date of the first start and the width, height and colour depth in force then.
#include "app/clock.h"
#include "app/current_mode.h"
#include "store/store_errors.h"
#include "app/module1.h"
#include "store/record_file.h"

#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace diag {

inline constexpr const char* kRecordFileName = "W_ECRA_R.WDO";
inline constexpr std::string_view kInitMarker = "#INIT#";

// One reading of the mode in force: none where the system could not tell it.
using ReadCurrentMode = std::function<std::optional<CurrentMode>()>;

// Where the operation shows what it found (captions, UTF-8).
struct SavedResolutionView {
    std::function<void(const std::string&)> savedWidth, savedHeight, currentWidth, currentHeight;
    std::function<void()> notRecorded; // the file holds no origin, and none was taken
};

// Record 1 of a first start: the marker, MM-DD-YYYY and hh:mm:ss, cut to 20 characters.
Record firstRecord(const LocalTime& time);
bool isInitialised(const Record& record1);

// A record's text as the window shows it: spaces trimmed, from the ANSI code page to UTF-8.
std::string storedText(const Record& record);

// The revert's reading of the saved mode: records 2, 3 and 4, each through m.RecordBuffer,
// into m.ModeWidth, m.ModeHeight and m.ModeBits in that order. A width or height that is
// no screen size, or a depth outside 1 to 32, raises SavedModeError, a depth beyond 16
// bits OverflowError; FileError.
void readSavedMode(Module1& m, RecordFile& file);

// W_ECRA_R.WDO of the current folder as the revert reads it, opened to read only (never
// created, written or locked, so that it can be read while the window holds it).
struct SavedFile {
    enum class State { Absent, NotInitialised, Initialised } state = State::Absent;
    std::string directory;           // the folder it was looked for in
    std::string since;               // Initialised: record 1 after the marker, as stored
    std::string width, height, bits; // Initialised: records 2 to 4 as the window shows them
    std::exception_ptr refused;      // Initialised: why readSavedMode refused the saved mode
};
// Opens it, reads record 1 and checks the marker; where it is initialised, reads the
// stored texts, then the saved mode into m as readSavedMode does, keeping its error in
// `refused`. FileError when the file cannot be opened or read.
SavedFile readSavedFile(Module1& m);

// The start-up operation: (re)opens the file, writes the mode in force at the first
// start (records 2, 3, 4, then the marker in record 1), shows the saved and the current
// resolution, and leaves the file open. The first start's capture runs only where
// `tillScreen` (the session shows the till's screen): elsewhere nothing is recorded, the
// view is told so, and the next start on the till captures. A mode the system could not
// tell is neither recorded (the next start captures again) nor shown. Errors (FileError,
// OverflowError) stop the file's steps where they happen; the current resolution is
// shown all the same.
void captureSavedResolution(Module1& m, RecordFile& file, const Clock& clock, const ReadCurrentMode& readMode,
                            const SavedResolutionView& view, bool tillScreen);

} // namespace diag
