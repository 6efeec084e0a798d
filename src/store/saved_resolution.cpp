#include "store/saved_resolution.h"
#include "store/store_errors.h"

#include "app/ansi.h"
#include "app/values.h"

#include <cstdio>

namespace diag {

Record firstRecord(const LocalTime& t) {
    char text[96];
    std::snprintf(text, sizeof text, "%s%02d-%02d-%04d%02d:%02d:%02d", kInitMarker.data(), t.month, t.day, t.year,
                  t.hour, t.minute, t.second);
    return Record(text);
}

bool isInitialised(const Record& record1) { return record1.view().substr(0, kInitMarker.size()) == kInitMarker; }

std::string storedText(const Record& record) { return ansiToUtf8(trimSpaces(record.view())); }

void readSavedMode(Module1& m, RecordFile& file) {
    // A saved size that is no screen size (blank, zero, negative, beyond what a display
    // reports), or a depth that no display has, is told to the user instead of being
    // asked of the system, which may answer "done" while changing nothing.
    using Part = SavedModeError::Part;
    auto savedSize = [&](int32_t record, Part part) {
        m.RecordBuffer = file.read(record);
        double value = readNumber(m.RecordBuffer.view());
        if (!(value > 0.5 && value < 32767.5)) // 1 to 32767 once rounded half to even
            throw SavedModeError(file.name(), part, storedText(m.RecordBuffer));
        return toSingle(value);
    };
    m.ModeWidth = savedSize(2, Part::Width);
    m.ModeHeight = savedSize(3, Part::Height);
    m.RecordBuffer = file.read(4);
    int16_t bits = toInt16(readNumber(m.RecordBuffer.view()));
    // Checked before it is kept: the test buttons go on using the depth in ModeBits.
    if (bits < 1 || bits > 32) throw SavedModeError(file.name(), Part::Bits, storedText(m.RecordBuffer));
    m.ModeBits = bits;
}

SavedFile readSavedFile(Module1& m) {
    SavedFile saved;
    RecordFile file;
    bool present = file.openToRead(kRecordFileName);
    saved.directory = file.directory();
    if (!present) return saved;
    m.RecordBuffer = file.read(1);
    if (!isInitialised(m.RecordBuffer)) {
        saved.state = SavedFile::State::NotInitialised;
        return saved;
    }
    saved.state = SavedFile::State::Initialised;
    saved.since = storedText(Record(m.RecordBuffer.view().substr(kInitMarker.size())));
    saved.width = storedText(file.read(2));
    saved.height = storedText(file.read(3));
    saved.bits = storedText(file.read(4));
    try {
        readSavedMode(m, file);
    } catch (...) {
        saved.refused = std::current_exception();
    }
    return saved;
}

namespace {

// Takes a mode the system told into m, as the mode being worked on.
void workOn(Module1& m, const CurrentMode& mode) {
    m.ModeWidth = mode.width;
    m.ModeHeight = mode.height;
    m.ModeBits = mode.bits;
}

// The current labels: the mode in force, read afresh; one the system could not tell
// leaves them, and m, as they are.
void showCurrentMode(Module1& m, const ReadCurrentMode& readMode, const SavedResolutionView& view) {
    std::optional<CurrentMode> now = readMode();
    if (!now) return;
    workOn(m, *now);
    view.currentWidth(wholeNumber(m.ModeWidth));
    view.currentHeight(wholeNumber(m.ModeHeight));
}

void captureInFile(Module1& m, RecordFile& file, const Clock& clock, const ReadCurrentMode& readMode,
                   const SavedResolutionView& view, bool tillScreen) {
    file.close();
    file.open(kRecordFileName);
    m.RecordBuffer = file.read(1);
    // Another session's mode (a remote one, another user's) is no till's origin.
    if (!isInitialised(m.RecordBuffer) && !tillScreen) return view.notRecorded();
    if (!isInitialised(m.RecordBuffer)) {
        // A mode the system could not tell (a session without a screen) is no origin:
        // nothing is written, and the next start captures again.
        if (std::optional<CurrentMode> now = readMode()) {
            workOn(m, *now);
            m.RecordBuffer = wholeNumber(m.ModeWidth);
            file.write(2, m.RecordBuffer);
            m.RecordBuffer = wholeNumber(m.ModeHeight);
            file.write(3, m.RecordBuffer);
            m.RecordBuffer = wholeNumber(m.ModeBits);
            file.write(4, m.RecordBuffer);
            // The marker last: a capture cut short leaves a file that the next start captures again.
            m.RecordBuffer = firstRecord(clock.now());
            file.write(1, m.RecordBuffer);
        }
    }
    // The saved labels show the stored text itself, not a number parsed from it.
    m.RecordBuffer = file.read(2);
    view.savedWidth(storedText(m.RecordBuffer));
    m.RecordBuffer = file.read(3);
    view.savedHeight(storedText(m.RecordBuffer));
}

} // namespace

void captureSavedResolution(Module1& m, RecordFile& file, const Clock& clock, const ReadCurrentMode& readMode,
                            const SavedResolutionView& view, bool tillScreen) {
    // The mode in force does not depend on the file: it is shown whatever becomes of the
    // file, and the file's failure is the one told (a query failing after it too is not).
    try {
        captureInFile(m, file, clock, readMode, view, tillScreen);
    } catch (...) {
        try {
            showCurrentMode(m, readMode, view);
        } catch (...) {
        }
        throw;
    }
    showCurrentMode(m, readMode, view);
}

} // namespace diag
