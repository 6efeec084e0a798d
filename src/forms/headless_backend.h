#pragma once
// The forms model without windows: a manual clock steps the timers, a modal show calls
// a test-supplied answerer, and pixel rectangles are computed as the win32 backend does.
#include "forms/backend.h"
#include "forms/form.h"

#include <functional>
#include <vector>

namespace diag::forms {

class HeadlessBackend final : public Backend {
  public:
    void realize(Form& form) override;
    void formChanged(Form& form, Property what) override;
    void controlChanged(Control& control, Property what) override;
    void show(Form& form) override;
    void showModal(Form& form) override;
    void unload(Form& form) override;
    void setTimer(Control& timer, uint32_t intervalMs) override;
    void sendToBack(Control& control) override;
    // Resources always decode; a file does when it exists and starts as a GIF does.
    bool loadPicture(Control& control, const PictureSource& source) override;
    void doEvents() override { ++doEventsCalls; }
    TwipsSize screenSize() override;
    [[noreturn]] void endProgram() override;

    // Moves the clock on, delivering every tick that falls due on the way, in order.
    void advance(uint32_t ms);
    uint64_t now() const { return now_; }
    bool timerRunning(const Control& timer) const;

    // A user's click: delivered only to a visible control of a shown form that no modal
    // form blocks. Returns false when the click could not happen.
    bool click(Control& control);

    // Called while a modal form is up; when it returns with the form still loaded, the
    // form is closed without an answer, as the system's close command would.
    std::function<void(Form&)> modalAnswerer;
    std::function<TwipsSize()> screen = [] { return TwipsSize{1280 * 15.0f, 1024 * 15.0f}; };

    int doEventsCalls = 0;
    bool ended = false;
    std::vector<const Control*> backOrder; // controls sent to the back, latest first
    // What the model asked of the backend, in order ("Label1.caption", "form.position",
    // "ccb3.toBack", "Image1(2).picture", ...), for tests of the order of steps.
    std::vector<std::string> calls;

  private:
    struct Timer {
        Control* control;
        uint32_t interval;
        uint64_t due;
    };
    std::vector<Timer> timers_;
    std::vector<Form*> shown_;
    std::vector<Form*> modal_;
    uint64_t now_ = 0;
};

} // namespace diag::forms
