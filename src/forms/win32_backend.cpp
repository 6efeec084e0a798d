#include "forms/win32_backend.h"

#include "app/win32_wide.h"

#include <algorithm>
#include <cmath>

namespace diag::forms {

struct Win32Backend::ControlWindow {
    Control* control = nullptr;
    HWND hwnd = nullptr;
    int id = 0;
    UniqueBrush brush; // opaque labels: their background colour
    std::shared_ptr<const Picture> picture;
};

struct Win32Backend::FormWindow {
    Win32Backend* owner = nullptr;
    Form* form = nullptr;
    HWND hwnd = nullptr;
    std::vector<std::unique_ptr<ControlWindow>> controls;
    std::vector<HWND> disabled; // windows a modal show turned off
    bool modal = false;
    std::vector<Control*> pendingBack; // sent to the back before the windows existed
};

namespace {

constexpr int kFirstControlId = 1000;

std::wstring className(const FormDesign& design) { return L"diagreso." + widen(design.name); }

COLORREF textColor(Color c) { return c == kSystemColor ? GetSysColor(COLOR_WINDOWTEXT) : c; }

int px(float twips) { return twipsToPixels(twips); }

} // namespace

Win32Backend::Win32Backend(HINSTANCE instance) : instance_(instance) {}

Win32Backend::~Win32Backend() {
    for (auto& [form, fw] : forms_)
        if (fw->hwnd) {
            SetWindowLongPtrW(fw->hwnd, GWLP_USERDATA, 0);
            DestroyWindow(fw->hwnd);
        }
}

HWND Win32Backend::windowOf(const Form& form) {
    auto* fw = static_cast<FormWindow*>(form.native);
    return fw ? fw->hwnd : nullptr;
}

HWND Win32Backend::windowOf(const Control& control) {
    auto* cw = static_cast<ControlWindow*>(control.native);
    return cw ? cw->hwnd : nullptr;
}

RECT Win32Backend::pixelRect(const Control& c) {
    PixelRect p = forms::pixelRect(c);
    return {p.x, p.y, p.x + p.width, p.y + p.height};
}

void Win32Backend::registerClass(const FormDesign& design) {
    std::string name(design.name);
    if (std::find(registered_.begin(), registered_.end(), name) != registered_.end()) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &Win32Backend::formProc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    std::wstring cls = className(design);
    wc.lpszClassName = cls.c_str();
    if (!design.icon.empty()) {
        wc.hIcon = LoadIconW(instance_, widen(design.icon).c_str());
        wc.hIconSm = static_cast<HICON>(LoadImageW(instance_, widen(design.icon).c_str(), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    }
    RegisterClassExW(&wc);
    registered_.push_back(name);
}

HFONT Win32Backend::font(const FontDesign& design, const FontDesign& formFont) {
    const FontDesign& f = design.face.empty() ? formFont : design;
    auto key = std::make_tuple(std::string(f.face), f.points, f.bold);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second.get();
    // Sized for 96 dpi at every density: the window keeps its pixel layout.
    int height = -static_cast<int>(std::lround(f.points * 96.0f / 72.0f));
    HFONT h = CreateFontW(height, 0, 0, 0, f.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                          widen(f.face).c_str());
    return fonts_.emplace(key, UniqueFont(h)).first->second.get();
}

void Win32Backend::realize(Form& form) {
    // Windows are made when the form is first shown, from the model's state then: a
    // form that is never shown (the tile holder) costs no window, and what the load
    // handler sets costs no move or repaint.
    auto owned = std::make_unique<FormWindow>();
    FormWindow& fw = *owned;
    fw.owner = this;
    fw.form = &form;
    form.native = &fw;
    forms_[&form] = std::move(owned);

    // Tab order follows creation order: the focusable controls first, by tab index.
    std::vector<Control*> order;
    for (auto& c : form.controls()) order.push_back(c.get());
    std::stable_sort(order.begin(), order.end(), [](Control* a, Control* b) {
        int ta = a->design().tabIndex < 0 ? INT16_MAX : a->design().tabIndex;
        int tb = b->design().tabIndex < 0 ? INT16_MAX : b->design().tabIndex;
        return ta < tb;
    });
    int id = kFirstControlId;
    for (Control* c : order) {
        auto cw = std::make_unique<ControlWindow>();
        cw->control = c;
        cw->id = id++;
        if (c->kind() == Kind::Picture) cw->picture = decode(c->picture());
        c->native = cw.get();
        fw.controls.push_back(std::move(cw));
    }
}

void Win32Backend::createWindows(FormWindow& fw) {
    if (fw.hwnd) return;
    Form& form = *fw.form;
    const FormDesign& d = form.design();
    registerClass(d);
    DWORD style = d.border == FormBorder::None ? WS_POPUP : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    DWORD ex = WS_EX_CONTROLPARENT;
    RECT r{0, 0, px(d.clientWidth), px(d.clientHeight)};
    AdjustWindowRectEx(&r, style, FALSE, ex);
    int w = r.right - r.left, h = r.bottom - r.top;
    CreateWindowExW(ex, className(d).c_str(), widen(d.caption).c_str(), style, px(form.left()), px(form.top()), w,
                    h, nullptr, nullptr, instance_, &fw);
    // Sized again now that the window proc knows the form: the system shrinks a window
    // larger than the screen at creation.
    SetWindowPos(fw.hwnd, nullptr, px(form.left()), px(form.top()), w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    for (auto& cw : fw.controls) {
        createControl(fw, *cw);
        if (cw->control->kind() == Kind::Timer && cw->control->interval() != 0)
            SetTimer(fw.hwnd, static_cast<UINT_PTR>(cw->id), cw->control->interval(), nullptr);
    }
    for (Control* c : fw.pendingBack) sendToBack(*c);
    fw.pendingBack.clear();
}

void Win32Backend::createControl(FormWindow& fw, ControlWindow& cw) {
    Control& control = *cw.control;
    const ControlDesign& d = control.design();
    int id = cw.id;

    const wchar_t* cls = nullptr;
    DWORD style = WS_CHILD | (control.visible() ? WS_VISIBLE : 0);
    DWORD ex = 0;
    std::wstring text = widen(control.caption());
    switch (d.kind) {
    case Kind::Label:
        cls = L"STATIC";
        style |= SS_NOTIFY | SS_NOPREFIX | (d.border ? WS_BORDER : 0);
        style |= d.align == Align::Center  ? SS_CENTER
                 : d.align == Align::Right ? SS_RIGHT
                 : d.wordWrap              ? SS_LEFT
                                           : SS_LEFTNOWORDWRAP;
        break;
    case Kind::Button:
        cls = L"BUTTON";
        style |= BS_OWNERDRAW | (d.tabIndex >= 0 ? WS_TABSTOP : 0);
        break;
    case Kind::Picture:
        cls = L"STATIC";
        style |= SS_OWNERDRAW | SS_NOTIFY;
        text = widen(d.accessibleName);
        break;
    case Kind::TextBox:
        cls = L"EDIT";
        style |= ES_AUTOHSCROLL | WS_TABSTOP;
        ex |= WS_EX_CLIENTEDGE;
        break;
    case Kind::Line:
    case Kind::Shape:
    case Kind::Timer:
        return; // painted by the form, or no visual at all
    }
    RECT r = pixelRect(control);
    cw.hwnd = CreateWindowExW(ex, cls, text.c_str(), style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                              fw.hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    SendMessageW(cw.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font(d.font, fw.form->design().font)), FALSE);
}

Win32Backend::ControlWindow* Win32Backend::controlFromHwnd(FormWindow& fw, HWND hwnd) {
    if (!hwnd) return nullptr;
    for (auto& cw : fw.controls)
        if (cw->hwnd == hwnd) return cw.get();
    return nullptr;
}

void Win32Backend::formChanged(Form& form, Property what) {
    HWND hwnd = windowOf(form);
    if (hwnd && what == Property::Position)
        SetWindowPos(hwnd, nullptr, px(form.left()), px(form.top()), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Backend::controlChanged(Control& control, Property what) {
    auto* cw = static_cast<ControlWindow*>(control.native);
    auto* fw = static_cast<FormWindow*>(control.form().native);
    if (!cw || !fw || !fw->hwnd) return; // the windows will be made from the model
    if (!cw->hwnd) { // lines and shapes: the form repaints them
        InvalidateRect(fw->hwnd, nullptr, TRUE);
        return;
    }
    RECT r = pixelRect(control);
    switch (what) {
    case Property::Caption:
        if (control.kind() != Kind::Picture) SetWindowTextW(cw->hwnd, widen(control.caption()).c_str());
        // A transparent text leaves its old letters unless the form paints beneath it again.
        if (!control.design().opaque) {
            InvalidateRect(fw->hwnd, &r, TRUE);
            InvalidateRect(cw->hwnd, nullptr, TRUE);
        }
        break;
    case Property::BackColor:
    case Property::ForeColor:
        cw->brush.reset();
        InvalidateRect(cw->hwnd, nullptr, TRUE);
        break;
    case Property::Position:
        SetWindowPos(cw->hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        break;
    case Property::Visible:
        ShowWindow(cw->hwnd, control.visible() ? SW_SHOWNA : SW_HIDE);
        break;
    case Property::Picture:
        InvalidateRect(cw->hwnd, nullptr, TRUE);
        break;
    }
}

std::shared_ptr<const Picture> Win32Backend::decode(const PictureSource& source) {
    switch (source.kind) {
    case PictureSource::Kind::Resource: {
        // Built-in pictures never change: decoded once, shared by every control showing them.
        auto& cached = resourcePictures_[source.name];
        if (!cached) {
            Picture p = loadResourcePicture(instance_, source.name);
            if (p) cached = std::make_shared<const Picture>(std::move(p));
        }
        return cached;
    }
    case PictureSource::Kind::File: {
        // Read afresh each time: the file beside the program may change between loads.
        Picture p = loadFilePicture(widen(source.name));
        return p ? std::make_shared<const Picture>(std::move(p)) : nullptr;
    }
    case PictureSource::Kind::None:
        break;
    }
    return nullptr;
}

bool Win32Backend::loadPicture(Control& control, const PictureSource& source) {
    auto* cw = static_cast<ControlWindow*>(control.native);
    if (!cw) return false;
    std::shared_ptr<const Picture> picture = decode(source);
    if (!picture && source.kind != PictureSource::Kind::None) return false;
    cw->picture = std::move(picture);
    if (cw->hwnd) InvalidateRect(cw->hwnd, nullptr, FALSE);
    return true;
}

void Win32Backend::focusFirst(FormWindow& fw) {
    Control* first = nullptr;
    for (auto& c : fw.form->controls())
        if (c->design().tabIndex >= 0 && c->visible() && windowOf(*c) &&
            (!first || c->design().tabIndex < first->design().tabIndex))
            first = c.get();
    if (first) SetFocus(windowOf(*first));
}

void Win32Backend::show(Form& form) {
    auto* fw = static_cast<FormWindow*>(form.native);
    if (!fw) return;
    createWindows(*fw);
    ShowWindow(fw->hwnd, SW_SHOW);
    UpdateWindow(fw->hwnd);
    SetForegroundWindow(fw->hwnd);
    focusFirst(*fw);
}

namespace {
struct DisableOthers {
    HWND keep;
    std::vector<HWND>* disabled;
};
BOOL CALLBACK disableOne(HWND hwnd, LPARAM lParam) {
    auto* ctx = reinterpret_cast<DisableOthers*>(lParam);
    if (hwnd != ctx->keep && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        EnableWindow(hwnd, FALSE);
        ctx->disabled->push_back(hwnd);
    }
    return TRUE;
}
} // namespace

void Win32Backend::showModal(Form& form) {
    auto* fw = static_cast<FormWindow*>(form.native);
    if (!fw) return;
    createWindows(*fw);
    // No owner: the program's other windows are turned off by hand meanwhile.
    DisableOthers ctx{fw->hwnd, &fw->disabled};
    EnumThreadWindows(GetCurrentThreadId(), &disableOne, reinterpret_cast<LPARAM>(&ctx));
    fw->modal = true;
    show(form);
    MSG msg;
    while (form.loaded()) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam)); // let the outer loop end too
            break;
        }
        if (got < 0) break;
        if (!dispatchDialogKeys(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void Win32Backend::unload(Form& form) {
    auto it = forms_.find(&form);
    if (it == forms_.end()) return;
    std::unique_ptr<FormWindow> fw = std::move(it->second);
    forms_.erase(it);
    for (auto& cw : fw->controls) {
        if (fw->hwnd && cw->control->kind() == Kind::Timer) KillTimer(fw->hwnd, static_cast<UINT_PTR>(cw->id));
        cw->control->native = nullptr;
    }
    // Enabled again before the window goes, or the focus would go to another program.
    for (HWND h : fw->disabled) EnableWindow(h, TRUE);
    if (fw->modal && !fw->disabled.empty()) SetActiveWindow(fw->disabled.front());
    form.native = nullptr;
    if (!fw->hwnd) return;
    SetWindowLongPtrW(fw->hwnd, GWLP_USERDATA, 0);
    DestroyWindow(fw->hwnd);
}

void Win32Backend::setTimer(Control& timer, uint32_t intervalMs) {
    auto* cw = static_cast<ControlWindow*>(timer.native);
    auto* fw = static_cast<FormWindow*>(timer.form().native);
    if (!cw || !fw || !fw->hwnd) return; // armed from the model when the windows are made
    KillTimer(fw->hwnd, static_cast<UINT_PTR>(cw->id));
    if (intervalMs != 0) SetTimer(fw->hwnd, static_cast<UINT_PTR>(cw->id), intervalMs, nullptr);
}

void Win32Backend::sendToBack(Control& control) {
    auto* fw = static_cast<FormWindow*>(control.form().native);
    if (fw && !fw->hwnd) {
        fw->pendingBack.push_back(&control);
        return;
    }
    if (HWND h = windowOf(control))
        SetWindowPos(h, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool Win32Backend::dispatchDialogKeys(MSG& msg) {
    // Tab, arrows and space move and press as in a dialog box.
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (!root) return false;
    for (auto& [form, fw] : forms_)
        if (fw->hwnd == root) return IsDialogMessageW(root, &msg) != FALSE;
    return false;
}

void Win32Backend::doEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!dispatchDialogKeys(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

TwipsSize Win32Backend::screenSize() {
    return {GetSystemMetrics(SM_CXSCREEN) * 15.0f, GetSystemMetrics(SM_CYSCREEN) * 15.0f};
}

void Win32Backend::endProgram() { ExitProcess(0); }

int Win32Backend::run() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!dispatchDialogKeys(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}

void Win32Backend::paintForm(FormWindow& fw, HDC dc) {
    const Form& form = *fw.form;
    RECT client;
    GetClientRect(fw.hwnd, &client);
    UniqueBrush background(CreateSolidBrush(form.design().backColor));
    FillRect(dc, &client, background.get());
    for (auto& c : fw.form->controls()) {
        if (!c->visible()) continue;
        if (c->kind() == Kind::Shape) {
            RECT r = pixelRect(*c);
            UniqueBrush fill(CreateSolidBrush(c->backColor()));
            FillRect(dc, &r, fill.get());
        }
    }
    for (auto& c : fw.form->controls()) {
        if (!c->visible() || c->kind() != Kind::Line) continue;
        UniquePen pen(CreatePen(PS_SOLID, 1, textColor(c->design().foreColor)));
        SelectInDc select(dc, pen.get());
        // Lines hold their two end points in the rectangle fields.
        int x1 = px(c->left()), y1 = px(c->top()), x2 = px(c->width()), y2 = px(c->height());
        MoveToEx(dc, x1, y1, nullptr);
        LineTo(dc, x2, y2);
        SetPixel(dc, x2, y2, textColor(c->design().foreColor)); // LineTo stops short of the end point
    }
}

void Win32Backend::drawButton(ControlWindow& cw, const DRAWITEMSTRUCT& di) {
    HDC dc = di.hDC;
    RECT r = di.rcItem;
    bool pressed = di.itemState & ODS_SELECTED;
    UniqueBrush face(CreateSolidBrush(cw.control->backColor() == kSystemColor ? GetSysColor(COLOR_BTNFACE)
                                                                                : cw.control->backColor()));
    FillRect(dc, &r, face.get());
    DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);

    std::wstring text = widen(cw.control->caption());
    auto* f = reinterpret_cast<HFONT>(SendMessageW(cw.hwnd, WM_GETFONT, 0, 0));
    SelectInDc select(dc, f);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, (di.itemState & ODS_DISABLED) ? GetSysColor(COLOR_GRAYTEXT)
                                                   : textColor(cw.control->design().foreColor));
    RECT area = r;
    InflateRect(&area, -4, -3);
    if (pressed) OffsetRect(&area, 1, 1);
    // Wrapped and centred on both axes.
    RECT measure = area;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measure,
              DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    int textHeight = measure.bottom - measure.top;
    if (textHeight < area.bottom - area.top) area.top += (area.bottom - area.top - textHeight) / 2;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    if ((di.itemState & ODS_FOCUS) && !(di.itemState & ODS_NOFOCUSRECT)) {
        RECT focus = r;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(dc, &focus);
    }
}

void Win32Backend::drawPicture(ControlWindow& cw, const DRAWITEMSTRUCT& di) {
    HDC dc = di.hDC;
    RECT r = di.rcItem;
    // Whatever the picture leaves uncovered shows what lies beneath: a shape or the form.
    Color beneath = cw.control->form().design().backColor;
    RECT mine = pixelRect(*cw.control);
    for (auto& c : cw.control->form().controls()) {
        if (c->kind() != Kind::Shape || !c->visible()) continue;
        RECT shape = pixelRect(*c), overlap;
        if (IntersectRect(&overlap, &shape, &mine) && EqualRect(&overlap, &mine)) beneath = c->backColor();
    }
    UniqueBrush fill(CreateSolidBrush(beneath));
    FillRect(dc, &r, fill.get());
    if (!cw.picture) return;
    if (cw.control->design().stretch)
        cw.picture->drawStretched(dc, 0, 0, r.right - r.left, r.bottom - r.top);
    else
        cw.picture->draw(dc, 0, 0);
}

LRESULT CALLBACK Win32Backend::formProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_GETMINMAXINFO) {
        // Arrives before WM_NCCREATE: answered without the form. A window larger than the
        // screen must keep its size, as the ruler needs it.
        auto* mmi = reinterpret_cast<MINMAXINFO*>(lParam);
        mmi->ptMaxTrackSize.x = mmi->ptMaxTrackSize.y = 32767;
        return 0;
    }
    if (msg == WM_NCCREATE) {
        auto* fw = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        fw->hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(fw));
    }
    auto* fw = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!fw) return DefWindowProcW(hwnd, msg, wParam, lParam);
    return fw->owner->handle(*fw, msg, wParam, lParam);
}

LRESULT Win32Backend::handle(FormWindow& fw, UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = fw.hwnd;
    Form& form = *fw.form;
    switch (msg) {
    case WM_ERASEBKGND:
        return 1; // all painted in WM_PAINT
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        paintForm(fw, dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_CTLCOLORSTATIC: {
        ControlWindow* cw = controlFromHwnd(fw, reinterpret_cast<HWND>(lParam));
        if (!cw || cw->control->kind() != Kind::Label) break;
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, textColor(cw->control->design().foreColor));
        if (!cw->control->design().opaque) {
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        }
        Color back = cw->control->backColor() == kSystemColor ? GetSysColor(COLOR_BTNFACE) : cw->control->backColor();
        if (!cw->brush) cw->brush.reset(CreateSolidBrush(back));
        SetBkColor(dc, back);
        return reinterpret_cast<LRESULT>(cw->brush.get());
    }
    case WM_DRAWITEM: {
        auto* di = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        ControlWindow* cw = controlFromHwnd(fw, di->hwndItem);
        if (!cw) break;
        if (cw->control->kind() == Kind::Button) drawButton(*cw, *di);
        else if (cw->control->kind() == Kind::Picture) drawPicture(*cw, *di);
        return TRUE;
    }
    case WM_COMMAND: {
        ControlWindow* cw = controlFromHwnd(fw, reinterpret_cast<HWND>(lParam));
        if (!cw) break;
        WORD code = HIWORD(wParam);
        bool isButton = cw->control->kind() == Kind::Button;
        bool click = isButton ? (code == BN_CLICKED || code == BN_DOUBLECLICKED) : code == STN_CLICKED;
        if (cw->control->kind() == Kind::TextBox) {
            if (code == EN_CHANGE) {
                std::wstring text(static_cast<size_t>(GetWindowTextLengthW(cw->hwnd)) + 1, L'\0');
                text.resize(static_cast<size_t>(GetWindowTextW(cw->hwnd, text.data(), static_cast<int>(text.size()))));
                cw->control->captionFromUser(narrow(text));
            }
            return 0;
        }
        if (click && form.clickable(*cw->control)) {
            Control& control = *cw->control;
            // The handler may unload this form: nothing of it is touched afterwards.
            form.deliver([&form, &control] { form.click(control); });
        }
        return 0;
    }
    case WM_TIMER: {
        for (auto& cw : fw.controls)
            if (cw->control->kind() == Kind::Timer && static_cast<WPARAM>(cw->id) == wParam) {
                Control& timer = *cw->control;
                form.deliver([&form, &timer] { form.tick(timer); });
                return 0;
            }
        break;
    }
    case WM_CLOSE:
        if (form.onCloseRequest)
            form.deliver(form.onCloseRequest);
        else
            form.deliver([&form] { form.unload(); });
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void MessageBoxReporter::report(const std::exception& error) noexcept {
    try {
        std::wstring text = widen(describeError(error));
        MessageBoxW(GetActiveWindow(), text.c_str(), L"Diagnostic de la résolution", MB_OK | MB_ICONERROR);
    } catch (...) {
        MessageBoxW(nullptr, L"Une erreur s'est produite.", L"Diagnostic de la résolution", MB_OK | MB_ICONERROR);
    }
}

} // namespace diag::forms
