#include "forms/win32_control_window.h"

#include "app/win32_wide.h"
#include "forms/win32_backend.h"
#include "forms/win32_creation.h"
#include "forms/win32_form_window.h"
#include "forms/win32_handles.h"

#include <windowsx.h>

#include <optional>

namespace diag::forms {

namespace {

RECT rectOf(const Control& c) {
    PixelRect p = pixelRect(c);
    return {p.x, p.y, p.x + p.width, p.y + p.height};
}

// Fills with the DC's own brush: painting makes no GDI object.
void fill(HDC dc, const RECT& r, COLORREF color) {
    SetDCBrushColor(dc, color);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// A caption wrapped and centred on both axes, as a white button or a picture's name shows it.
void drawCentredText(HDC dc, HWND window, const std::wstring& text, RECT area, COLORREF color) {
    SelectInDc font(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color);
    RECT measure = area;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measure,
              DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    int textHeight = measure.bottom - measure.top;
    if (textHeight < area.bottom - area.top) area.top += (area.bottom - area.top - textHeight) / 2;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
}

class LabelWindow final : public ControlWindow {
  public:
    using ControlWindow::ControlWindow;
    void create() override {
        const ControlDesign& d = control_.design();
        DWORD style = SS_NOTIFY | SS_NOPREFIX | (d.border ? WS_BORDER : 0);
        style |= d.align == Align::Center  ? SS_CENTER
                 : d.align == Align::Right ? SS_RIGHT
                 : d.wordWrap              ? SS_LEFT
                                           : SS_LEFTNOWORDWRAP;
        makeChild(L"STATIC", style, 0, widen(control_.caption()));
    }
    LRESULT command(WORD code) override {
        // A double-click is one click on a text, as it is for a person reading it.
        if (code == STN_CLICKED) clicked();
        return 0;
    }
    void changed(Property what) override {
        ControlWindow::changed(what);
        // A transparent text leaves its old letters unless the form paints beneath it again.
        if (what == Property::Caption && !control_.design().opaque) {
            RECT r = rectOf(control_);
            owner_.invalidate(&r);
            InvalidateRect(hwnd_, nullptr, TRUE);
        }
    }
    LRESULT ctlColor(HDC dc) override {
        ShownColors colors = shownColors(control_, owner_.beneath(control_), owner_.backend().highContrast());
        SetTextColor(dc, owner_.resolve(colors.text));
        if (!control_.design().opaque && !owner_.backend().highContrast()) {
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        }
        COLORREF back = owner_.resolve(colors.back);
        SetBkColor(dc, back);
        SetDCBrushColor(dc, back); // the DC's own brush: no brush to make or free
        return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
    }
};

// A white button's face: its caption on a raised (or, pressed, sunken) edge.
class ButtonFace : public ControlWindow {
  public:
    using ControlWindow::ControlWindow;
    // What a screen reader says of the key: its caption.
    std::wstring keyName() const { return widen(control_.caption()); }
    void drawItem(const DRAWITEMSTRUCT& item) override {
        HDC dc = item.hDC;
        RECT r = item.rcItem;
        bool pressed = item.itemState & ODS_SELECTED;
        ShownColors colors = shownColors(control_, owner_.beneath(control_), owner_.backend().highContrast());
        fill(dc, r, owner_.resolve(colors.back));
        DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        RECT area = r;
        InflateRect(&area, -4, -3);
        if (pressed) OffsetRect(&area, 1, 1);
        COLORREF text = (item.itemState & ODS_DISABLED) ? GetSysColor(COLOR_GRAYTEXT) : owner_.resolve(colors.text);
        drawCentredText(dc, hwnd_, widen(control_.caption()), area, text);
        if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
            RECT focus = r;
            InflateRect(&focus, -3, -3);
            DrawFocusRect(dc, &focus);
        }
    }
};

class PictureWindow : public ControlWindow {
  public:
    using ControlWindow::ControlWindow;
    void create() override {
        // The window text is the accessible name: what a screen reader says of the picture.
        makeChild(L"STATIC", SS_OWNERDRAW, 0, widen(control_.design().accessibleName));
    }
    void setPicture(std::shared_ptr<const Picture> picture) override {
        picture_ = std::move(picture);
        decoded_ = true;
        if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
    }
    void drawItem(const DRAWITEMSTRUCT& item) override {
        HDC dc = item.hDC;
        RECT r = item.rcItem;
        bool highContrast = owner_.backend().highContrast();
        ShownColors colors = shownColors(control_, owner_.beneath(control_), highContrast);
        if (!decoded_) { // the design's picture, at its first drawing
            picture_ = owner_.backend().decode(control_.picture());
            decoded_ = true;
        }
        // Whatever the picture leaves uncovered shows what lies beneath: a shape or the form.
        fill(dc, r, owner_.resolve(colors.back));
        if (picture_) {
            if (control_.design().stretch)
                picture_->drawStretched(dc, 0, 0, r.right - r.left, r.bottom - r.top);
            else
                picture_->draw(dc, 0, 0);
            return;
        }
        // Without a picture decoder, a picture that acts shows its name on a plain face.
        std::string_view name = control_.design().accessibleName;
        if (name.empty()) return;
        fill(dc, r, owner_.resolve(kButtonFaceColor));
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
        RECT area = r;
        InflateRect(&area, -3, -3);
        drawCentredText(dc, hwnd_, widen(name), area, owner_.resolve(kButtonTextColor));
    }

  private:
    std::shared_ptr<const Picture> picture_;
    bool decoded_ = false;
};

// WM_KEYDOWN's previous-state bit: the key was already down, an auto-repeat.
constexpr LPARAM kKeyWasDown = LPARAM{1} << 30;

// The message WM_GETDLGCODE asks about is Enter (its press or its character).
bool isEnter(const MSG* asked) {
    return asked && ((asked->message == WM_KEYDOWN && asked->wParam == VK_RETURN) ||
                     (asked->message == WM_CHAR && asked->wParam == L'\r'));
}

// A picture that acts on a click shows its picture; its name is the design's.
class PictureFace : public PictureWindow {
  public:
    using PictureWindow::PictureWindow;
    std::wstring keyName() const { return widen(control_.design().accessibleName); }
    void drawItem(const DRAWITEMSTRUCT& item) override {
        PictureWindow::drawItem(item);
        if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
            RECT focus = item.rcItem;
            InflateRect(&focus, -3, -3);
            DrawFocusRect(item.hDC, &focus);
        }
    }
};

// A control that acts on a click, a white button or a picture: a push button to the
// system (its role, default action, focus and name for assistive technology), drawn as
// its face. A mouse press answers at the press itself: nothing that happens before the
// release (an activation or a focus change arriving then) can cancel it. The second press
// of a double-click answers only where the first answered nothing (it came too early for
// a dialog's key; otherwise the backend drops it): a double-click is one click. Space
// answers at its release, as a button does, with the moment of the press that the release
// completes; Enter at its press; a programmatic press (BM_CLICK, a screen reader's default
// action) counts now. A release with no such press (a key held since before, its
// auto-repeat) answers nothing. Nothing answers while the form is turned off (userClick).
template <class Face> class KeyWindow final : public Face {
  public:
    using Face::Face;
    void create() override {
        const ControlDesign& d = this->control_.design();
        this->makeChild(L"BUTTON", BS_OWNERDRAW | (d.tabIndex >= 0 ? WS_TABSTOP : 0), 0, this->keyName());
        SetWindowLongPtrW(this->hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        buttonProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(this->hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&KeyWindow::proc)));
    }
    LRESULT command(WORD code) override {
        if (code == BN_CLICKED) press(); // Space, at its release
        return 0;
    }

  private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<KeyWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        Win32Backend::Dispatch dispatch(self->owner_.backend());
        if (self->owner_.retired() && msg != WM_NCDESTROY) return self->byDefault(msg, wParam, lParam);
        return self->handle(msg, wParam, lParam);
    }
    // One line per message, as FormWindow::handle; the rest is the button's.
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam) {
        switch (msg) {
        case BM_CLICK: return onClickAsked();
        case WM_LBUTTONDBLCLK: // reaches here only where the first press answered nothing
        case WM_LBUTTONDOWN: return onMousePress();
        case WM_KEYDOWN:
            if (onKeyDown(static_cast<UINT>(wParam), !(lParam & kKeyWasDown))) return 0;
            break;
        case WM_GETDLGCODE: return onGetDlgCode(wParam, reinterpret_cast<const MSG*>(lParam));
        case WM_CHAR:
            if (wParam == L'\r') return 0; // Enter was answered at its press
            break;
        case WM_NCDESTROY: onNcDestroy(); break;
        default: break;
        }
        return byDefault(msg, wParam, lParam);
    }
    LRESULT byDefault(UINT msg, WPARAM wParam, LPARAM lParam) {
        return CallWindowProcW(buttonProc_, this->hwnd_, msg, wParam, lParam);
    }
    // BM_CLICK (automation, a screen reader's default action): a press now.
    LRESULT onClickAsked() {
        pressed(GetTickCount(), false);
        press();
        return 0;
    }
    LRESULT onMousePress() {
        // A white button keeps the focus a press gives it (the dialog gives it back there).
        if (this->control_.kind() == Kind::Button) SetFocus(this->hwnd_);
        pressed(static_cast<uint32_t>(GetMessageTime()), true);
        press();
        return 0;
    }
    // True when the key is answered here and the button must not see it. Space is pressed
    // now and answered at its release (BN_CLICKED); Enter presses the focused key at once.
    bool onKeyDown(UINT key, bool fresh) {
        if (key == VK_SPACE && fresh) pressed(static_cast<uint32_t>(GetMessageTime()), false);
        if (key != VK_RETURN) return false;
        if (fresh) {
            pressed(static_cast<uint32_t>(GetMessageTime()), false);
            press();
        }
        return true;
    }
    // Enter comes to the key itself, not to the form as IDOK: the key tells a fresh press
    // from an auto-repeat.
    LRESULT onGetDlgCode(WPARAM wParam, const MSG* asked) {
        LRESULT code = byDefault(WM_GETDLGCODE, wParam, reinterpret_cast<LPARAM>(asked));
        return isEnter(asked) ? code | DLGC_WANTMESSAGE : code;
    }
    // The window goes: it is the button's own again, and nothing leads back to this object.
    void onNcDestroy() {
        SetWindowLongPtrW(this->hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(buttonProc_));
        SetWindowLongPtrW(this->hwnd_, GWLP_USERDATA, 0);
    }
    void pressed(uint32_t at, bool mouse) {
        pressedAt_ = at;
        pressedByMouse_ = mouse;
        pressedWhere_ = mouse ? GetMessagePos() : 0;
    }
    void press() {
        if (!pressedAt_) return;
        uint32_t at = *pressedAt_;
        pressedAt_.reset();
        Win32Backend& backend = this->owner_.backend();
        bool mouse = pressedByMouse_;
        if (mouse) backend.answeringPress(at, {GET_X_LPARAM(pressedWhere_), GET_Y_LPARAM(pressedWhere_)});
        if (!this->control_.form().userClick(this->control_, at) && mouse) backend.pressUnanswered(at);
    }

    WNDPROC buttonProc_ = nullptr;
    std::optional<uint32_t> pressedAt_;
    bool pressedByMouse_ = false;
    DWORD pressedWhere_ = 0;
};

class TextBoxWindow final : public ControlWindow {
  public:
    using ControlWindow::ControlWindow;
    void create() override {
        makeChild(L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, widen(control_.caption()));
    }
    LRESULT command(WORD code) override {
        if (code == EN_CHANGE) {
            std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
            text.resize(static_cast<size_t>(GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
            control_.captionFromUser(narrow(text));
        }
        return 0;
    }
};

class TimerWindow final : public ControlWindow {
  public:
    using ControlWindow::ControlWindow;
    void create() override {
        if (control_.interval() != 0) owner_.armTimer(*this, control_.interval());
    }
    void changed(Property) override {}
};

// Lines and the shape: painted by the form beneath its children.
class PaintedControl final : public ControlWindow {
  public:
    using ControlWindow::ControlWindow;
    void changed(Property) override { owner_.invalidate(); }
};

} // namespace

std::unique_ptr<ControlWindow> ControlWindow::make(FormWindow& owner, Control& control, int id) {
    switch (control.kind()) {
    case Kind::Label: return std::unique_ptr<ControlWindow>(new LabelWindow(owner, control, id));
    case Kind::Button: return std::unique_ptr<ControlWindow>(new KeyWindow<ButtonFace>(owner, control, id));
    case Kind::Picture:
        if (control.form().clickable(control))
            return std::unique_ptr<ControlWindow>(new KeyWindow<PictureFace>(owner, control, id));
        return std::unique_ptr<ControlWindow>(new PictureWindow(owner, control, id));
    case Kind::TextBox: return std::unique_ptr<ControlWindow>(new TextBoxWindow(owner, control, id));
    case Kind::Timer: return std::unique_ptr<ControlWindow>(new TimerWindow(owner, control, id));
    case Kind::Line:
    case Kind::Shape: break;
    }
    return std::unique_ptr<ControlWindow>(new PaintedControl(owner, control, id));
}

void ControlWindow::makeChild(const wchar_t* windowClass, DWORD style, DWORD exStyle, const std::wstring& text) {
    RECT r = rectOf(control_);
    style |= WS_CHILD | (control_.visible() ? WS_VISIBLE : 0);
    std::string name = std::string(control_.name()) +
                       (control_.index() >= 0 ? "(" + std::to_string(control_.index()) + ")" : std::string());
    hwnd_ = forms::create("le contrôle « " + name + " »", [&] {
        return CreateWindowExW(exStyle, windowClass, text.c_str(), style, r.left, r.top, r.right - r.left,
                               r.bottom - r.top, owner_.hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)),
                               owner_.backend().instance(), nullptr);
    });
    SendMessageW(hwnd_, WM_SETFONT,
                 reinterpret_cast<WPARAM>(owner_.font(control_.design().font.face.empty()
                                                          ? owner_.form().design().font
                                                          : control_.design().font)),
                 FALSE);
}

void ControlWindow::clicked() { control_.form().userClick(control_, static_cast<uint32_t>(GetMessageTime())); }

void ControlWindow::changed(Property what) {
    if (!hwnd_) return;
    RECT r = rectOf(control_);
    switch (what) {
    case Property::Caption:
        SetWindowTextW(hwnd_, widen(control_.caption()).c_str());
        break;
    case Property::Position:
        SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
        break;
    case Property::Visible:
        ShowWindow(hwnd_, control_.visible() ? SW_SHOWNA : SW_HIDE);
        break;
    case Property::BackColor:
    case Property::Picture:
        InvalidateRect(hwnd_, nullptr, TRUE);
        break;
    }
}

} // namespace diag::forms
