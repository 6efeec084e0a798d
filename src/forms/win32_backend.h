#pragma once
// The forms toolkit on real windows. Every control that shows text is a child window
// whose window text is its caption, so screen readers read the form as a person sees
// it; lines and shapes are painted by the form beneath its children. The backend owns
// the map from the model's forms and controls to their windows (Windows builds only).
#include "forms/backend.h"
#include "forms/creation_error.h"
#include "forms/form.h"
#include "forms/win32_handles.h"
#include "forms/win32_picture.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace diag::forms {

class FormWindow;
class ControlWindow;

class Win32Backend final : public Backend {
  public:
    explicit Win32Backend(HINSTANCE instance);
    ~Win32Backend() override;

    void realize(Form& form) override;
    void formChanged(Form& form, Property what) override;
    void controlChanged(Control& control, Property what) override;
    void show(Form& form) override;
    void showModal(Form& form) override;
    void unload(Form& form) override;
    void setTimer(Control& timer, uint32_t intervalMs) override;
    void sendToBack(Control& control) override;
    bool loadPicture(Control& control, const PictureSource& source) override;
    void doEvents() override;
    TwipsSize screenSize() override;
    TwipsSize outerSize(const FormDesign& design) override;
    Control* focusedControl() override;
    void setFocus(Control& control) override;
    uint32_t doubleClickTime() override;
    bool turnedOff(const Form& form) override;
    uintptr_t messageOwner(const Form& form) override;
    [[noreturn]] void endProgram(int exitCode) override;

    // The message loop of the program, until a WM_QUIT (which nothing of ours posts: the
    // window ends through endProgram).
    void run();

    // The windows of a form and of a control (null when it has none), for tests.
    HWND windowOf(const Form& form) const;
    HWND windowOf(const Control& control) const;

    HINSTANCE instance() const { return instance_; }
    // Whether the system shows a high-contrast scheme; read again when settings change.
    bool highContrast() const { return highContrast_; }
    void settingsChanged();
    // The modal form on top, if any: what a click on a window it turned off brings forward.
    FormWindow* modalForm() const { return modal_.empty() ? nullptr : modal_.back(); }
    // The picture of a source, decoded (built-in ones once for all); null when it cannot be.
    std::shared_ptr<const Picture> decode(const PictureSource& source);
    // A mouse press on a key is about to be answered: the second press of the same
    // double-click (and its release) will reach nothing, whichever loop takes it from the
    // queue: ours, or one the answer runs (a question, an error's message box), which is
    // why this comes before the handler.
    void answeringPress(uint32_t at, POINT where);
    // That press answered nothing (too early for its form): the next one is a click.
    void pressUnanswered(uint32_t at) {
        if (tail_ && tail_->at == at) tail_.reset();
    }

    // Every window procedure of ours runs inside one. A form unloaded meanwhile keeps its
    // window objects, hidden and deaf to messages, until the outermost has returned: no
    // object is destroyed while one of its member functions is on the stack.
    class Dispatch {
      public:
        explicit Dispatch(Win32Backend& backend) : backend_(backend) { ++backend_.depth_; }
        ~Dispatch() {
            if (--backend_.depth_ == 0) backend_.destroyRetired();
        }
        Dispatch(const Dispatch&) = delete;
        Dispatch& operator=(const Dispatch&) = delete;

      private:
        Win32Backend& backend_;
    };

  private:
    // The one message pump: dispatches messages (with the dialog keys: Tab, arrows,
    // Space, Enter) until `done` holds, waiting for each, or taking only those already
    // pending. False once WM_QUIT has come; it is posted again for an outer loop.
    bool pump(bool wait, const std::function<bool()>& done);
    FormWindow& windowsFor(Form& form); // made if need be (CreationError)
    // True when the message is the tail of a double-click whose first press answered.
    bool isAnswerTail(const MSG& msg);
    // Sees every message any loop of the thread takes from the queue (WH_GETMESSAGE),
    // and turns the tail into WM_NULL, which nothing answers.
    static LRESULT CALLBACK onMessageTaken(int code, WPARAM removed, LPARAM message);
    void destroyRetired();

    HINSTANCE instance_;
    PictureDecoder decoder_;
    std::map<std::string, std::shared_ptr<const Picture>> builtIn_; // decoded once, shared
    std::map<const Form*, std::unique_ptr<FormWindow>> forms_;
    std::vector<std::unique_ptr<FormWindow>> retired_; // unloaded inside a dispatch
    int depth_ = 0;                                    // window procedures of ours on the stack
    std::map<const Control*, ControlWindow*> controls_;
    std::vector<FormWindow*> modal_;
    struct Press {
        uint32_t at;
        POINT where;
    };
    std::optional<Press> tail_;  // the press that answered, until the next press
    UINT swallowRelease_ = 0;    // the release of a press taken as a tail
    UniqueHook tailHook_;        // onMessageTaken, from the first answered press on
    bool highContrast_ = false;
};

} // namespace diag::forms
