#pragma once
// The window side of one form (Windows builds only): its class, its window and the
// windows of its controls, its fonts, and the window procedure, one line per message.
#include "forms/form.h"
#include "forms/creation_error.h"
#include "forms/win32_control_window.h"
#include "forms/win32_handles.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace diag::forms {

class Win32Backend;

class FormWindow {
  public:
    // A form's window style, from its design, and the extended style of every form: what
    // the window is made with and what its outer size is computed from.
    static DWORD styleOf(const FormDesign& design);
    static constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
    FormWindow(Win32Backend& backend, Form& form);
    ~FormWindow();
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    Win32Backend& backend() const { return backend_; }
    Form& form() const { return form_; }
    HWND hwnd() const { return self_; }
    const std::vector<std::unique_ptr<ControlWindow>>& controls() const { return controls_; }

    // Makes the class, the window and the controls' windows from the model's state, and
    // arms the running timers. CreationError on the first thing the system refuses; the
    // caller then drops this object, which releases what was made.
    void createWindows();
    // Shows the window and gives the focus to the first control in tab order.
    void present();
    // A modal show: the program's other windows are turned off meanwhile, and on again
    // before this window goes, or the focus would go to another program.
    void disableOthers();
    void enableOthers();

    // Unloaded while a procedure of ours runs: hidden, and deaf to every message until the
    // backend destroys it.
    void retire();
    bool retired() const { return retired_; }

    ControlWindow* controlOf(HWND child) const;
    HFONT font(const FontDesign& design);      // made once for this window (CreationError)
    COLORREF resolve(Color color) const;       // a system colour looked up
    Color beneath(const Control& control) const; // what shows through the control
    void sendToBack(ControlWindow& control);
    void invalidate(const RECT* rect = nullptr);
    void armTimer(ControlWindow& timer, uint32_t intervalMs);

  private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static BOOL CALLBACK disableOne(HWND other, LPARAM self);
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT onPaint();
    // `code` the notification, `id` the command, `child` the control that sent it (none
    // for the dialog keys' IDOK and IDCANCEL).
    LRESULT onCommand(WORD code, WORD id, HWND child);
    LRESULT onDrawItem(const DRAWITEMSTRUCT& item);
    LRESULT onCtlColorStatic(HDC dc, HWND child);
    LRESULT onTimer(WPARAM id);
    LRESULT onClose();
    // True when it gave the focus back to a control: the system's default (the focus on
    // the window itself) must not follow.
    bool onActivate(WORD state, bool minimized);
    // These do their part, and the system's default handling follows.
    void onSetCursor(int hitTest, UINT mouseMessage);
    void onSettingChange();
    LRESULT onDisplayChange();
    LRESULT onBringForward();
    void registerClass();

    Win32Backend& backend_;
    Form& form_;
    std::vector<std::unique_ptr<ControlWindow>> controls_;
    std::vector<ControlWindow*> pendingBack_; // sent to the back before the windows existed
    std::vector<HWND> disabled_;              // what a modal show turned off
    HWND focusBack_ = nullptr;                // the control that had the focus when the window lost it
    // Released in the reverse order: the window first, then what it used.
    UniqueIcon icon_, smallIcon_;
    ClassRegistration class_;
    struct MadeFont {
        FontDesign design;
        UniqueFont font;
    };
    std::vector<MadeFont> fonts_; // a form uses two or three
    UniqueWindow hwnd_;
    HWND self_ = nullptr; // known from WM_NCCREATE on, before CreateWindowExW returns
    bool retired_ = false;
};

} // namespace diag::forms
