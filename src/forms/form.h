#pragma once
// The runtime model of forms and controls. Properties are held here in twips, as
// single-precision numbers; every change is passed to the backend. Handlers are typed
// callbacks bound to control names that the form's design table declares.
#include "forms/backend.h"
#include "forms/design.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace diag {
class ErrorReporter;
}

namespace diag::forms {

class Form;

struct PixelRect {
    int x, y, width, height;
    bool operator==(const PixelRect&) const = default;
};

// Where a control's picture comes from: a built-in picture, or a file read at run time.
struct PictureSource {
    enum class Kind : uint8_t { None, Resource, File } kind = Kind::None;
    std::string name; // resource name, or file path (relative: the current directory)
    bool operator==(const PictureSource&) const = default;
};

class Control {
  public:
    Control(Form& form, const ControlDesign& design);
    Form& form() const { return form_; }
    const ControlDesign& design() const { return design_; }
    std::string_view name() const { return design_.name; }
    int16_t index() const { return design_.index; }
    Kind kind() const { return design_.kind; }

    float left() const { return left_; }
    float top() const { return top_; }
    float width() const { return width_; }
    float height() const { return height_; }
    const std::string& caption() const { return caption_; }
    Color backColor() const { return backColor_; }
    bool visible() const { return visible_; }
    uint32_t interval() const { return interval_; }
    const PictureSource& picture() const { return picture_; }

    void setCaption(std::string caption);
    void setBackColor(Color color);
    void setLeft(float twips);
    void setTop(float twips);
    void setWidth(float twips);
    void setHeight(float twips);
    void setVisible(bool visible);
    void setInterval(uint32_t ms); // timers: 0 stops, any other value starts
    // Pictures: false, and the picture unchanged, when the source cannot be decoded.
    bool setPicture(const PictureSource& source);
    // What the user typed into a text box: the window already shows it.
    void captionFromUser(std::string text) { caption_ = std::move(text); }

  private:
    void notify(Property what);
    void setPlace(float& part, float twips);
    Form& form_;
    const ControlDesign& design_;
    float left_, top_, width_, height_;
    std::string caption_;
    Color backColor_;
    bool visible_;
    uint32_t interval_ = 0;
    PictureSource picture_;
};

// The colours a control is drawn in: its design's or, under a high-contrast scheme, the
// system's own for background and text, as Windows' own controls do. Lines keep theirs.
// `beneath` is what shows through a transparent background.
struct ShownColors {
    Color back, text;
};
ShownColors shownColors(const Control& control, Color beneath, bool highContrast);
Color shownFormColor(const FormDesign& form, bool highContrast);

class Form {
  public:
    Form(const FormDesign& design, Backend& backend, ErrorReporter& reporter);
    ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const FormDesign& design() const { return design_; }
    Backend& backend() const { return backend_; }

    Control& control(std::string_view name, int16_t index = -1);
    Control* find(std::string_view name, int16_t index = -1);
    std::vector<std::unique_ptr<Control>>& controls() { return controls_; }

    float left() const { return left_; }
    float top() const { return top_; }
    float width() const { return backend_.outerSize(design_).width; } // outer size, frame included, twips
    float height() const { return backend_.outerSize(design_).height; }
    void setLeft(float twips);
    void setTop(float twips);

    bool loaded() const { return loaded_; }
    // Loads the form (controls from their design, the load handler) if it is not loaded.
    // A load handler that throws leaves the form unloaded; the error passes to the caller.
    void load();
    // A show that fails (a window the system could not make) unloads the form again, so
    // the next show starts afresh; the error passes to the caller.
    void show();
    // Returns once the form is unloaded; the focus then goes back to the control that
    // held it before, as the dialog manager does.
    void showModal();
    void unload();

    std::function<void()> onLoad;
    // A close request from the system (close box, Alt+F4); without one the form is
    // unloaded, which for a modal form means closed without an answer.
    std::function<void()> onCloseRequest;
    // The display mode changed, by this program or any other.
    std::function<void()> onDisplayChange;

    // Handlers are bound by control name, checked against the design table at once (a
    // misspelt name throws an AppError), and hold across unload and reload; the
    // members of a group share one handler, which receives the member's index.
    using ClickHandler = std::function<void(int16_t index)>;
    void setClickHandler(std::string_view name, ClickHandler handler);
    void setTickHandler(std::string_view name, std::function<void()> handler);
    bool clickable(const Control& control) const;
    // Run a control's handler directly, as a click or a tick would; errors pass to the caller.
    void click(Control& control);
    void tick(Control& control);

    // Presses that begin before the form appeared, or sooner than this after, are no
    // clicks: the second press of a double-click that opened the form must not answer it.
    // Without a delay (0) every click counts.
    void setPressDelay(uint32_t ms) { pressDelay_ = ms; }
    // The backend's clock (milliseconds, wrapping) just before the form could take input.
    void appeared(uint32_t at) { appearedAt_ = at; }
    // A click of the user's, its press begun at `pressedAt` on the same clock: delivered
    // unless it came too early. False when it was not delivered.
    bool userClick(Control& control, uint32_t pressedAt);

    // The one place where errors stop: every event the system delivers (a click, a tick,
    // a load) goes through here. An error is reported and the program carries on.
    // Returns false when the handler failed. Only ProgramEnded passes through.
    bool deliver(const std::function<void()>& handler);

  private:
    void createControls();
    const ControlDesign& declared(std::string_view name) const;
    const FormDesign& design_;
    Backend& backend_;
    ErrorReporter& reporter_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::map<std::string_view, ClickHandler> clickHandlers_;
    std::map<std::string_view, std::function<void()>> tickHandlers_;
    float left_ = 0, top_ = 0;
    bool loaded_ = false;
    uint32_t pressDelay_ = 0, appearedAt_ = 0;
};

// A control's rectangle in pixels of its form's client area: what every backend draws,
// and where the design puts it.
PixelRect pixelRect(const Control& control);
PixelRect pixelRect(const ControlDesign& design);

} // namespace diag::forms
