// Arbitrary bytes as W_ECRA_R.WDO: the start-up capture, then the revert's reading of
// records 2, 3 and 4 (readSavedMode, as Command5_Click and /retour do) and the mode change
// it asks for, on a simulated display.
#include "app/clock.h"
#include "app/errors.h"
#include "app/module1.h"
#include "app/values.h"
#include "display/display_modes.h"
#include "display/simulated_display.h"
#include "store/record_file.h"
#include "store/saved_resolution.h"

#include "invariant.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

using fuzz::fail;
using fuzz::g_input;

class FixedClock final : public diag::Clock {
  public:
    diag::LocalTime now() const override { return {2024, 1, 2, 12, 34, 56}; }
};

std::string readWholeFile() {
    std::ifstream in(diag::kRecordFileName, std::ios::binary);
    if (!in) fail("the record file is gone");
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string padded(std::string_view text) {
    std::string r(text);
    r.resize(diag::kRecordLength, ' ');
    return r;
}

// Runs one step; an AppError ends the run as the program would (reported at the event),
// anything else is a fault. Returns false when the step raised.
template <class F> bool step(F&& f) {
    try {
        f();
        return true;
    } catch (const diag::AppError&) {
        return false;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "exception outside AppError: %s\n", e.what());
        fail("every error must be an AppError");
    } catch (...) {
        fail("every error must be an AppError");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The record file is opened by a relative name: work in a folder of our own.
    // (Give TMPDIR a RAM-backed folder for speed.) Paths given to libFuzzer must be absolute.
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz_record_file.XXXXXX";
    if (!mkdtemp(dir.data()) || chdir(dir.c_str()) != 0) {
        std::perror("temporary folder");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_input = std::string_view(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(diag::kRecordFileName, std::ios::binary | std::ios::trunc);
        out.write(g_input.data(), static_cast<std::streamsize>(g_input.size()));
        if (!out) fail("could not write the input file");
    }
    const bool initialised = g_input.substr(0, diag::kInitMarker.size()) == diag::kInitMarker;

    diag::Module1 m;
    diag::RecordFile file;
    FixedClock clock;
    diag::SimulatedDisplay display({1280, 1024, 32});
    diag::DisplayModes modes(display);
    diag::ModeQueries queries{[&] { return modes.GetCurrentWidth(); }, [&] { return modes.GetCurrentHeight(); },
                              [&] { return modes.GetCurrentBitsPerPixel(); }, [&] { return modes.failedQueries(); }};
    std::string savedWidth, savedHeight, currentWidth, currentHeight;
    diag::SavedResolutionView view{[&](const std::string& s) { savedWidth = s; },
                                   [&](const std::string& s) { savedHeight = s; },
                                   [&](const std::string& s) { currentWidth = s; },
                                   [&](const std::string& s) { currentHeight = s; },
                                   [] {}};

    bool captured = step([&] { diag::captureSavedResolution(m, file, clock, queries, view, true); });
    if (!captured) fail("the capture failed on a readable, writable file");
    if (!file.isOpen()) fail("the capture must leave the file open");
    if (currentWidth != "1280" || currentHeight != "1024") fail("current resolution shown wrong");

    // The revert's reading of the saved mode (the window's and /retour's), then the change
    // it asks for.
    bool converted = step([&] { diag::readSavedMode(m, file); });
    float width = m.ModeWidth, height = m.ModeHeight;
    int16_t bits = m.ModeBits;
    if (converted && !(width > 0.5f && width < 32767.5f && height > 0.5f && height < 32767.5f))
        fail("a saved size that is no screen size was let through");
    if (converted) step([&] { modes.ChangeResolution(width, height, bits); });
    file.close();

    std::string after = readWholeFile();
    if (initialised) {
        if (after != g_input) fail("a file that starts with the marker must stay byte for byte");
        return 0;
    }
    // A first start: records 1 to 4 written, everything after them untouched.
    std::string head = padded("#INIT#01-02-202412:34:56") + padded("1280") + padded("1024") + padded("32");
    if (after.size() != std::max<size_t>(size, 80)) fail("the file has a wrong length after the first start");
    if (after.compare(0, 80, head) != 0) fail("records 1 to 4 are not those of a first start");
    if (size > 80 && after.compare(80, std::string::npos, g_input.substr(80)) != 0)
        fail("bytes after record 4 were changed");
    if (savedWidth != "1280" || savedHeight != "1024") fail("saved resolution shown wrong after a first start");
    // What was just written reads back as the mode in force: nothing to change.
    if (!converted || width != 1280.0f || height != 1024.0f || bits != 32) fail("the revert read back other values");
    if (display.count(diag::SimulatedDisplay::Call::Kind::Change) != 0) fail("a change was asked for the mode in force");
    return 0;
}
