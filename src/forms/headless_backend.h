#pragma once
// The forms model without windows: a manual clock steps the timers, a modal show calls
// a test-supplied answerer, and pixel rectangles are computed as the win32 backend does.
#include "forms/backend.h"
#include "forms/form.h"

#include <functional>
#include <map>
#include <optional>
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
    // The pass over pending messages: runs what a test queued in `pending` meanwhile.
    void doEvents() override;
    TwipsSize screenSize() override;
    // A single-line frame with a title bar adds `frame` pixels to the client size.
    TwipsSize outerSize(const FormDesign& design) override;
    Control* focusedControl() override { return focused_; }
    void setFocus(Control& control) override { focused_ = &control; }
    uint32_t doubleClickTime() override { return doubleClick; }
    bool turnedOff(const Form& form) override { return !modal_.empty() && modal_.back() != &form; }
    uintptr_t messageOwner(const Form&) override { return 0; }
    [[noreturn]] void endProgram(int exitCode) override;

    // The user minimises a form and later restores it: where does it come back?
    void minimize(Form& form);
    struct Point {
        float left, top;
        bool operator==(const Point&) const = default;
    };
    Point restore(Form& form);

    // Moves the clock on, delivering every tick that falls due on the way, in order.
    void advance(uint32_t ms);
    uint64_t now() const { return now_; }
    bool timerRunning(const Control& timer) const;

    // A point of the screen, in pixels.
    struct ScreenPoint {
        int x, y;
        bool operator==(const ScreenPoint&) const = default;
    };
    // Where a press on the control lands unless told: its centre.
    ScreenPoint centreOf(const Control& control) const;

    // A user's click, pressed now at `at` (the control's centre unless given): delivered
    // only to a visible control of a shown form that no modal form blocks, and not sooner
    // than the form's press delay. Returns false when the click could not happen. As the
    // Win32 backend does, the press right after one that answered (whether its form stays
    // or goes), sooner than the double-click time and within the double-click area around
    // it, is the second press of that double-click and reaches nothing.
    bool click(Control& control, std::optional<ScreenPoint> at = std::nullopt);
    ScreenPoint lastPress{}; // where the last click was pressed

    // Called while a modal form is up; when it returns with the form still loaded, the
    // form is closed without an answer, as the system's close command would.
    std::function<void(Form&)> modalAnswerer;
    std::function<TwipsSize()> screen = [] { return TwipsSize{1280 * kTwipsPerPixel, 1024 * kTwipsPerPixel}; };

    struct {
        int width = 6, height = 29; // pixels: two 3-pixel borders, a 23-pixel title bar
    } frame;
    uint32_t doubleClick = 500;
    struct {
        int width = 4, height = 4; // pixels, as SM_CXDOUBLECLK and SM_CYDOUBLECLK by default
    } doubleClickArea;

    // As the Win32 creation gate: the n-th creation from now on (a form's windows, a timer
    // started) throws CreationError; 0, none.
    int refuseCreation = 0;

    std::vector<std::function<void()>> pending; // clicks and ticks waiting for the next pass
    bool ended = false;
    int exitCode = -1; // what endProgram was given
    std::vector<const Control*> backOrder; // controls sent to the back, latest first
    // What the model asked of the backend, in order ("Label1.caption", "form.position",
    // "ccb3.toBack", "Image1(2).picture", ...), for tests of the order of steps.
    std::vector<std::string> calls;

  private:
    void create(const char* what);
    struct Timer {
        Control* control;
        uint32_t interval;
        uint64_t due;
    };
    std::vector<Timer> timers_;
    std::vector<Form*> shown_;
    std::vector<Form*> modal_;
    std::map<const Form*, Point> minimized_; // where each minimised form will come back
    Control* focused_ = nullptr;
    uint64_t now_ = 0;
    struct Press {
        uint64_t at;
        ScreenPoint where;
    };
    std::optional<Press> answered_; // the press that answered, until the next press
};

} // namespace diag::forms
