#include "main_window/form1.h"

#include "main_window/form1_design.h"
#include "store/saved_resolution.h"

namespace diag {

Form1::Form1(forms::Backend& backend, ErrorReporter& reporter, Module1& module, Form1Services services)
    : form_(kForm1Design, backend, reporter), m_(module), services_(services), display_(services.display) {
    form_.onLoad = [this] { Form_Load(); };
    form_.setTickHandler("Timer1", [this] { Timer1_Timer(); });
    form_.setClickHandler("Command1", [this](int16_t) { Command1_Click(); });
    form_.setClickHandler("Command4", [this](int16_t) { Command4_Click(); });
    form_.setClickHandler("Image6", [this](int16_t) { QuitProgram(); });
    // Nothing has a use for a run without the main window: a close request quits too.
    form_.onCloseRequest = [this] { QuitProgram(); };
}

void Form1::start() {
    form_.deliver([this] { form_.load(); });
    form_.show();
}

void Form1::Form_Load() {
    form_.setLeft(0);
    form_.setTop(0);
    control("Timer1").setInterval(500);
}

void Form1::Timer1_Timer() {
    // Stopped first, so a slow start-up can never see a second tick.
    control("Timer1").setInterval(0);
    struct Finish {
        bool& flag;
        ~Finish() { flag = true; }
    } finish{startupFinished_};
    Command1_Click();
    Command4_Click();
}

void Form1::QuitProgram() {
    closeAllFiles();
    form_.backend().endProgram();
}

bool Form1::FontIsLarge() { return diag::FontIsLarge(services_.font); }

void Form1::Command1_Click() {
    forms::Control& label2 = control("Label2");
    if (FontIsLarge()) {
        label2.setCaption("Grossie");
        label2.setBackColor(kLargeFontColor);
    } else {
        label2.setCaption("Normale");
        label2.setBackColor(kNormalFontColor);
    }
}

void Form1::Command4_Click() {
    auto caption = [this](const char* name) {
        return [this, name](const std::string& text) { control(name).setCaption(text); };
    };
    ModeQueries queries{[this] { return display_.GetCurrentWidth(); }, [this] { return display_.GetCurrentHeight(); },
                        [this] { return display_.GetCurrentBitsPerPixel(); }};
    captureSavedResolution(m_, services_.recordFile, services_.clock, queries,
                           {caption("Label11"), caption("Label12"), caption("Label16"), caption("Label15")});
}

} // namespace diag
