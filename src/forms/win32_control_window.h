#pragma once
// The window side of one control (Windows builds only). Each kind keeps its creation,
// its drawing and its notifications here; the form reflects WM_COMMAND, WM_DRAWITEM and
// WM_CTLCOLORSTATIC to the control they concern.
#include "forms/form.h"
#include "forms/creation_error.h"
#include "forms/win32_picture.h"

#include <windows.h>

#include <memory>

namespace diag::forms {

class FormWindow;

class ControlWindow {
  public:
    // The kind that suits the control's design.
    static std::unique_ptr<ControlWindow> make(FormWindow& owner, Control& control, int id);
    virtual ~ControlWindow() = default;
    ControlWindow(const ControlWindow&) = delete;
    ControlWindow& operator=(const ControlWindow&) = delete;

    Control& control() const { return control_; }
    int id() const { return id_; }
    // The child window, owned by the form's window; null for timers, lines and the shape.
    HWND hwnd() const { return hwnd_; }

    // Makes the child window from the model's state (CreationError).
    virtual void create() {}
    // A property of the model changed while the windows exist.
    virtual void changed(Property what);
    virtual LRESULT command(WORD /*code*/) { return 0; }
    virtual void drawItem(const DRAWITEMSTRUCT& /*item*/) {}
    // WM_CTLCOLORSTATIC: the brush, or 0 to leave it to the system.
    virtual LRESULT ctlColor(HDC /*dc*/) { return 0; }
    // Pictures only: the decoded picture, or none.
    virtual void setPicture(std::shared_ptr<const Picture> /*picture*/) {}

  protected:
    ControlWindow(FormWindow& owner, Control& control, int id) : owner_(owner), control_(control), id_(id) {}
    void makeChild(const wchar_t* windowClass, DWORD style, DWORD exStyle, const std::wstring& text);
    // A click of the user's, pressed when the message being handled was sent.
    void clicked();
    FormWindow& owner_;
    Control& control_;
    int id_;
    HWND hwnd_ = nullptr;
};

} // namespace diag::forms
