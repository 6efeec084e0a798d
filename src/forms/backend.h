#pragma once
// The verbs a forms backend offers. The model (form.h) calls them; the backend
// converts twips to pixels and delivers the system's events back through the model.
#include <cstdint>

namespace diag::forms {

class Form;
class Control;
struct FormDesign;
struct PictureSource;

// Thrown by a backend whose endProgram cannot end the process (the headless one), so
// that nothing of the program runs after the end.
struct ProgramEnded {};

enum class Property : uint8_t { Caption, BackColor, Position, Visible, Picture };

struct TwipsSize {
    float width, height;
};

class Backend {
  public:
    virtual ~Backend() = default;
    virtual void realize(Form& form) = 0;                    // a form was loaded
    virtual void formChanged(Form& form, Property what) = 0; // position of the form itself
    virtual void controlChanged(Control& control, Property what) = 0;
    // Makes the form's windows if need be and shows it; errors (a window the system
    // could not make) leave nothing made behind.
    virtual void show(Form& form) = 0;
    virtual void showModal(Form& form) = 0; // returns when the form has been unloaded
    virtual void unload(Form& form) = 0;
    virtual void setTimer(Control& timer, uint32_t intervalMs) = 0; // 0 stops, other values (re)start
    virtual void sendToBack(Control& control) = 0;
    // Gives a picture control the picture of that source; false when it cannot be decoded.
    virtual bool loadPicture(Control& control, const PictureSource& source) = 0;
    virtual void doEvents() = 0;        // one pass over pending messages, no waiting
    virtual TwipsSize screenSize() = 0; // the display mode in force, in twips
    // The form's outer size, its frame included, in twips.
    virtual TwipsSize outerSize(const FormDesign& design) = 0;
    // The control that has the keyboard focus, if it is one of ours; moving it there.
    virtual Control* focusedControl() = 0;
    virtual void setFocus(Control& control) = 0;
    // True while a modal form or a message box keeps this form from input: a click that
    // reaches it anyway (BM_CLICK, a screen reader's default action) answers nothing.
    virtual bool turnedOff(const Form& form) = 0;
    // The window a message about an event of this form belongs to: the modal form on top
    // while one is up, else the form's own; 0 when there is none (an HWND on Windows).
    virtual uintptr_t messageOwner(const Form& form) = 0;
    // Longest time between the two clicks of a double-click, in milliseconds.
    virtual uint32_t doubleClickTime() = 0;
    // Ends the process at once with that exit code, running nothing more of the program.
    [[noreturn]] virtual void endProgram(int exitCode) = 0;
};

// The toolkit's fixed density: a twip is 1/1440 inch, and a pixel at 96 dpi is 15 of them.
inline constexpr float kTwipsPerPixel = 15.0f;

// Twips to pixels at that density, to the nearest pixel.
int twipsToPixels(float twips);

} // namespace diag::forms
