#include "forms/win32_form_window.h"

#include "app/win32_wide.h"
#include "forms/win32_backend.h"
#include "forms/win32_creation.h"

#include <algorithm>
#include <cmath>

namespace diag::forms {

namespace {

constexpr int kFirstControlId = 1000;
// Posted to a modal form whose disabled owner-to-be was brought forward or clicked.
constexpr UINT kBringForward = WM_APP + 1;

std::wstring className(const FormDesign& design) { return L"diagreso." + widen(design.name); }

int px(float twips) { return twipsToPixels(twips); }

} // namespace

DWORD FormWindow::styleOf(const FormDesign& design) {
    return design.border == FormBorder::None ? WS_POPUP : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
}

FormWindow::FormWindow(Win32Backend& backend, Form& form) : backend_(backend), form_(form) {
    // Tab order follows creation order: the focusable controls first, by tab index.
    std::vector<Control*> order;
    for (auto& c : form.controls()) order.push_back(c.get());
    std::stable_sort(order.begin(), order.end(), [](Control* a, Control* b) {
        int ta = a->design().tabIndex < 0 ? INT16_MAX : a->design().tabIndex;
        int tb = b->design().tabIndex < 0 ? INT16_MAX : b->design().tabIndex;
        return ta < tb;
    });
    int id = kFirstControlId;
    for (Control* c : order) controls_.push_back(ControlWindow::make(*this, *c, id++));
}

FormWindow::~FormWindow() {
    // No message of the window's last moments reaches a half-destroyed object.
    if (hwnd_) SetWindowLongPtrW(hwnd_.get(), GWLP_USERDATA, 0);
}

void FormWindow::registerClass() {
    std::wstring cls = className(form_.design());
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(backend_.instance(), cls.c_str(), &wc)) return; // another form of this design made it
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &FormWindow::proc;
    wc.hInstance = backend_.instance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = cls.c_str();
    if (std::string_view icon = form_.design().icon; !icon.empty()) {
        auto load = [&](int size) {
            return UniqueIcon(create("l'icône du programme", [&] {
                return static_cast<HICON>(
                    LoadImageW(backend_.instance(), widen(icon).c_str(), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
            }));
        };
        icon_ = load(GetSystemMetrics(SM_CXICON));
        smallIcon_ = load(GetSystemMetrics(SM_CXSMICON));
        wc.hIcon = icon_.get();
        wc.hIconSm = smallIcon_.get();
    }
    ATOM atom = create("la classe de fenêtre « " + narrow(cls) + " »", [&] { return RegisterClassExW(&wc); });
    class_ = ClassRegistration(atom, backend_.instance());
}

void FormWindow::createWindows() {
    if (hwnd_) return;
    const FormDesign& d = form_.design();
    registerClass();
    DWORD style = styleOf(d), ex = kExStyle;
    RECT r{0, 0, px(d.clientWidth), px(d.clientHeight)};
    AdjustWindowRectEx(&r, style, FALSE, ex);
    int w = r.right - r.left, h = r.bottom - r.top;
    self_ = nullptr;
    HWND made = create("la fenêtre « " + std::string(d.caption.empty() ? d.name : d.caption) + " »", [&] {
        return CreateWindowExW(ex, className(d).c_str(), widen(d.caption).c_str(), style, px(form_.left()),
                               px(form_.top()), w, h, nullptr, nullptr, backend_.instance(), this);
    });
    hwnd_.reset(made);
    // Sized again now that the window procedure knows the form: the system shrinks a
    // window larger than the screen at its creation.
    SetWindowPos(made, nullptr, px(form_.left()), px(form_.top()), w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    for (auto& cw : controls_) cw->create();
    for (ControlWindow* cw : pendingBack_) sendToBack(*cw);
    pendingBack_.clear();
}

void FormWindow::present() {
    // Taken before the window can be pressed: a press made while it was being made,
    // painted or its pictures decoded is older than this and counts as early.
    form_.appeared(GetTickCount());
    ShowWindow(hwnd(), SW_SHOW);
    UpdateWindow(hwnd());
    SetForegroundWindow(hwnd());
    // The first control in tab order takes the focus; a key never does by itself, so that
    // the Enter or Space that opened a form cannot answer it.
    ControlWindow* first = nullptr;
    for (auto& cw : controls_) // in tab order
        if (cw->control().design().tabIndex >= 0 && cw->control().kind() != Kind::Picture && cw->control().visible() &&
            cw->hwnd()) {
            first = cw.get();
            break;
        }
    if (first) SetFocus(first->hwnd());
}

BOOL CALLBACK FormWindow::disableOne(HWND other, LPARAM self) {
    auto* fw = reinterpret_cast<FormWindow*>(self);
    if (other != fw->hwnd() && IsWindowVisible(other) && IsWindowEnabled(other)) {
        EnableWindow(other, FALSE);
        fw->disabled_.push_back(other);
    }
    return TRUE;
}

void FormWindow::disableOthers() {
    EnumThreadWindows(GetCurrentThreadId(), &FormWindow::disableOne, reinterpret_cast<LPARAM>(this));
}

void FormWindow::enableOthers() {
    for (HWND h : disabled_) EnableWindow(h, TRUE);
    if (!disabled_.empty()) SetActiveWindow(disabled_.front());
    disabled_.clear();
}

ControlWindow* FormWindow::controlOf(HWND child) const {
    if (!child) return nullptr;
    for (auto& cw : controls_)
        if (cw->hwnd() == child) return cw.get();
    return nullptr;
}

HFONT FormWindow::font(const FontDesign& f) {
    for (const MadeFont& made : fonts_)
        if (made.design.face == f.face && made.design.points == f.points && made.design.bold == f.bold)
            return made.font.get();
    // Sized for 96 dpi at every density: the window keeps its pixel layout.
    int height = -static_cast<int>(std::lround(f.points * 96.0f / 72.0f));
    std::string what = "la police " + std::string(f.face) + " de " + std::to_string(std::lround(f.points)) + " points";
    HFONT made = create(what, [&] {
        return CreateFontW(height, 0, 0, 0, f.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                           widen(f.face).c_str());
    });
    fonts_.push_back({f, UniqueFont(made)});
    return made;
}

COLORREF FormWindow::resolve(Color color) const {
    return isSystemColor(color) ? GetSysColor(static_cast<int>(color & 0xFF)) : color;
}

Color FormWindow::beneath(const Control& control) const {
    bool highContrast = backend_.highContrast();
    PixelRect mine = pixelRect(control);
    for (auto& c : form_.controls()) {
        if (c->kind() != Kind::Shape || !c->visible()) continue;
        PixelRect s = pixelRect(*c);
        if (mine.x >= s.x && mine.y >= s.y && mine.x + mine.width <= s.x + s.width &&
            mine.y + mine.height <= s.y + s.height)
            return shownColors(*c, shownFormColor(form_.design(), highContrast), highContrast).back;
    }
    return shownFormColor(form_.design(), highContrast);
}

void FormWindow::sendToBack(ControlWindow& cw) {
    if (!hwnd_) {
        pendingBack_.push_back(&cw);
        return;
    }
    if (cw.hwnd()) SetWindowPos(cw.hwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void FormWindow::invalidate(const RECT* rect) {
    if (hwnd_) InvalidateRect(hwnd_.get(), rect, TRUE);
}

void FormWindow::armTimer(ControlWindow& timer, uint32_t intervalMs) {
    if (!hwnd_) return; // armed from the model when the window is made
    auto id = static_cast<UINT_PTR>(timer.id());
    KillTimer(hwnd_.get(), id);
    if (intervalMs == 0) return;
    create("la minuterie « " + std::string(timer.control().name()) + " »",
           [&] { return SetTimer(hwnd_.get(), id, intervalMs, nullptr); });
}

LRESULT CALLBACK FormWindow::proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_GETMINMAXINFO) {
        // Arrives before WM_NCCREATE: answered without the form. A window larger than the
        // screen must keep its size, as the ruler needs it.
        auto* mmi = reinterpret_cast<MINMAXINFO*>(lParam);
        mmi->ptMaxTrackSize.x = mmi->ptMaxTrackSize.y = 32767;
        return 0;
    }
    if (msg == WM_NCCREATE) {
        auto* fw = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        fw->self_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(fw));
    }
    auto* fw = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!fw || fw->retired_) return DefWindowProcW(hwnd, msg, wParam, lParam);
    Win32Backend::Dispatch dispatch(fw->backend_);
    return fw->handle(msg, wParam, lParam);
}

void FormWindow::retire() {
    retired_ = true;
    if (hwnd_) ShowWindow(hwnd_.get(), SW_HIDE);
}

LRESULT FormWindow::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND: return 1; // all painted in WM_PAINT
    case WM_PAINT: return onPaint();
    case WM_COMMAND: return onCommand(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DRAWITEM: return onDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_CTLCOLORSTATIC: return onCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_TIMER: return onTimer(wParam);
    case WM_CLOSE: return onClose();
    case WM_ACTIVATE:
        if (onActivate(LOWORD(wParam), HIWORD(wParam) != 0)) return 0;
        break;
    case WM_SETCURSOR: onSetCursor(static_cast<short>(LOWORD(lParam)), HIWORD(lParam)); break;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE: onSettingChange(); break;
    case WM_DISPLAYCHANGE: return onDisplayChange();
    case kBringForward: return onBringForward();
    default: break;
    }
    return DefWindowProcW(hwnd(), msg, wParam, lParam);
}

LRESULT FormWindow::onPaint() {
    PaintDc paint(hwnd());
    HDC dc = paint.get();
    bool highContrast = backend_.highContrast();
    RECT client;
    GetClientRect(hwnd(), &client);
    SetDCBrushColor(dc, resolve(shownFormColor(form_.design(), highContrast)));
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    for (auto& c : form_.controls()) {
        if (!c->visible() || c->kind() != Kind::Shape) continue;
        PixelRect p = pixelRect(*c);
        RECT r{p.x, p.y, p.x + p.width, p.y + p.height};
        SetDCBrushColor(dc, resolve(shownColors(*c, kWindowColor, highContrast).back));
        FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    }
    SelectInDc pen(dc, GetStockObject(DC_PEN));
    for (auto& c : form_.controls()) {
        if (!c->visible() || c->kind() != Kind::Line) continue;
        COLORREF color = resolve(c->design().foreColor); // the rulers stay red, even in high contrast
        SetDCPenColor(dc, color);
        // Lines hold their two end points in the rectangle fields.
        int x1 = px(c->left()), y1 = px(c->top()), x2 = px(c->width()), y2 = px(c->height());
        MoveToEx(dc, x1, y1, nullptr);
        LineTo(dc, x2, y2);
        SetPixel(dc, x2, y2, color); // LineTo stops short of the end point
    }
    return 0;
}

LRESULT FormWindow::onCommand(WORD code, WORD id, HWND child) {
    if (ControlWindow* cw = controlOf(child)) return cw->command(code);
    // Enter: the dialog-key handling asks for IDOK. A focused button is pressed, as Space
    // would; an owner-drawn button is no push button to the dialog manager.
    if (id == IDOK && !child)
        if (ControlWindow* focused = controlOf(GetFocus()); focused && focused->control().kind() == Kind::Button)
            return focused->command(BN_CLICKED);
    // Esc: a modal form is closed without an answer, as Alt+F4 closes it.
    if (id == IDCANCEL && !child && backend_.modalForm() == this) return onClose();
    return 0;
}

LRESULT FormWindow::onDrawItem(const DRAWITEMSTRUCT& item) {
    if (ControlWindow* cw = controlOf(item.hwndItem)) cw->drawItem(item);
    return TRUE;
}

LRESULT FormWindow::onCtlColorStatic(HDC dc, HWND child) {
    ControlWindow* cw = controlOf(child);
    LRESULT brush = cw ? cw->ctlColor(dc) : 0;
    return brush ? brush : DefWindowProcW(hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                          reinterpret_cast<LPARAM>(child));
}

LRESULT FormWindow::onTimer(WPARAM id) {
    for (auto& cw : controls_)
        if (cw->control().kind() == Kind::Timer && static_cast<WPARAM>(cw->id()) == id) {
            Control& timer = cw->control();
            form_.deliver([this, &timer] { form_.tick(timer); });
            break;
        }
    return 0;
}

LRESULT FormWindow::onClose() {
    if (form_.onCloseRequest)
        form_.deliver(form_.onCloseRequest);
    else
        form_.deliver([this] { form_.unload(); });
    return 0;
}

bool FormWindow::onActivate(WORD state, bool minimized) {
    if (state == WA_INACTIVE) {
        focusBack_ = controlOf(GetFocus()) ? GetFocus() : nullptr;
        return false;
    }
    // Brought forward (taskbar, Alt+Tab) while a modal form keeps it off: the modal form
    // comes back in front and takes the activation, as an owned dialog would.
    if (!IsWindowEnabled(hwnd())) {
        if (FormWindow* modal = backend_.modalForm(); modal && modal != this)
            PostMessageW(modal->hwnd(), kBringForward, 0, 0);
        return false;
    }
    // Given back (a question or a message box gone): the control that had the focus takes
    // it again, as in a dialog box. The system's default would give it to the window, and
    // a screen reader would name the window last, whenever this activation comes.
    if (minimized || !focusBack_ || !IsWindowVisible(focusBack_) || !IsWindowEnabled(focusBack_)) return false;
    SetFocus(focusBack_);
    return true;
}

void FormWindow::onSetCursor(int hitTest, UINT mouseMessage) {
    // A click on a window that a modal form turned off.
    if (hitTest == HTERROR &&
        (mouseMessage == WM_LBUTTONDOWN || mouseMessage == WM_RBUTTONDOWN || mouseMessage == WM_MBUTTONDOWN))
        if (FormWindow* modal = backend_.modalForm(); modal && modal != this)
            PostMessageW(modal->hwnd(), kBringForward, 0, 0);
}

void FormWindow::onSettingChange() {
    backend_.settingsChanged();
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

LRESULT FormWindow::onDisplayChange() {
    if (form_.onDisplayChange) form_.deliver(form_.onDisplayChange);
    return 0;
}

LRESULT FormWindow::onBringForward() {
    SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(hwnd());
    return 0;
}

} // namespace diag::forms
