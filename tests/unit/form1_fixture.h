#pragma once
// Form1 on the headless backend, a simulated display and font, a fixed clock and a
// launcher that records, inside a fresh directory.
#include "display/simulated_display.h"
#include "display/simulated_font.h"
#include "display/simulated_session.h"
#include "forms/headless_backend.h"
#include "main_window/form1.h"
#include "support/fixed_clock.h"
#include "support/launchers.h"
#include "support/recording_reporter.h"
#include "temp_dir.h"

#include <memory>
#include <string>
#include <vector>

namespace diag::testing_support {

using namespace diag;
using namespace diag::forms;
using test::FixedClock;
using test::RecordingLauncher;

// A probe whose metrics query faults, as a broken graphics driver could.
class FaultyFont final : public FontApi {
  public:
    WindowHandle getDesktopWindow() override { return 1; }
    DcHandle getWindowDC(WindowHandle) override { return 2; }
    int setMapMode(DcHandle, int) override { return 1; }
    bool getTextMetrics(DcHandle, TextMetrics&) override { throw FloatingPointError("driver fault"); }
    int logPixelsY(DcHandle) override { return 96; }
    int releaseDC(WindowHandle, DcHandle) override { return 1; }
};

// Help page folders inside the test's directory; the page is a fixed text.
class FolderHelpFiles final : public HelpPageFiles {
  public:
    std::string localAppDataFolder() override { return local; }
    std::string temporaryFolder() override { return temp; }
    std::string_view builtInPage() override { return page; }
    std::string local, temp;
    std::string page = "<!DOCTYPE html>\n<title>Aide</title>\n<p>Réglez le texte à 100 %.</p>\n";
};

class Form1Test : public InTempDir {
  protected:
    void SetUp() override {
        InTempDir::SetUp();
        helpFiles.local = (dir_ / "Local AppData").string();
        helpFiles.temp = (dir_ / "Temp").string();
    }
    Form1& make(FontApi& fontApi) {
        form1 = std::make_unique<Form1>(
            backend, reporter, module,
            Form1Services{display, fontApi, clock, recordFile, launcher, helpFiles, helpAddress, session});
        return *form1;
    }
    std::string caption(const char* name) { return form1->control(name).caption(); }

    HeadlessBackend backend;
    RecordingReporter reporter;
    Module1 module;
    SimulatedDisplay display{{1280, 1024, 32}};
    SimulatedFont font{16};
    SimulatedSession session; // the console's own, showing the till's screen
    FixedClock clock;
    RecordFile recordFile;
    RecordingLauncher launcher;
    FolderHelpFiles helpFiles;
    std::string helpAddress; // empty: the built-in page
    std::unique_ptr<Form1> form1;
};

} // namespace diag::testing_support
