#include "forms/win32_backend.h"

#include "app/win32_wide.h"
#include "forms/win32_control_window.h"
#include "forms/win32_form_window.h"

#include <algorithm>
#include <cstdlib>

namespace diag::forms {

namespace {
// A form with no control focused (one just shown) takes Tab to its first stop and
// Shift+Tab to its last: the dialog manager finds no next stop from the form itself.
bool focusEdgeStop(HWND form, bool last) {
    HWND found = nullptr;
    for (HWND h = GetWindow(form, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        LONG style = GetWindowLongW(h, GWL_STYLE);
        if ((style & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) != (WS_TABSTOP | WS_VISIBLE)) continue;
        found = h;
        if (!last) break;
    }
    if (found) SetFocus(found);
    return found != nullptr;
}
// The backend whose tail the message hook watches: the one that armed it last.
Win32Backend* tailWatcher = nullptr;
} // namespace

Win32Backend::Win32Backend(HINSTANCE instance) : instance_(instance) { settingsChanged(); }

Win32Backend::~Win32Backend() {
    if (tailWatcher == this) tailWatcher = nullptr;
    retired_.clear();
    forms_.clear(); // before the maps and the decoder they use
}

HWND Win32Backend::windowOf(const Form& form) const {
    auto it = forms_.find(&form);
    return it == forms_.end() ? nullptr : it->second->hwnd();
}

HWND Win32Backend::windowOf(const Control& control) const {
    auto it = controls_.find(&control);
    return it == controls_.end() ? nullptr : it->second->hwnd();
}

void Win32Backend::settingsChanged() {
    HIGHCONTRASTW hc{};
    hc.cbSize = sizeof hc;
    highContrast_ = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON);
}

void Win32Backend::realize(Form& form) {
    // Windows are made when the form is first shown, from the model's state then: a form
    // that is never shown (the tile holder) costs no window, and what the load handler
    // sets costs no move or repaint. Built-in pictures are decoded when first drawn, so
    // the window shows without waiting for them and one the load replaces is never
    // decoded; a file the load names is decoded at once (loadPicture), to know whether
    // it can serve.
    auto fw = std::make_unique<FormWindow>(*this, form);
    for (auto& cw : fw->controls()) controls_[&cw->control()] = cw.get();
    forms_[&form] = std::move(fw);
}

FormWindow& Win32Backend::windowsFor(Form& form) {
    FormWindow& fw = *forms_.at(&form);
    fw.createWindows();
    return fw;
}

void Win32Backend::formChanged(Form& form, Property what) {
    HWND hwnd = windowOf(form);
    if (!hwnd || what != Property::Position) return;
    int x = twipsToPixels(form.left()), y = twipsToPixels(form.top());
    if (!IsIconic(hwnd)) {
        SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    // Minimised: where it will come back is moved instead, in work-area coordinates.
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(hwnd, &wp);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    OffsetRect(&wp.rcNormalPosition, x - work.left - wp.rcNormalPosition.left, y - work.top - wp.rcNormalPosition.top);
    wp.flags = 0;
    wp.showCmd = SW_SHOWMINNOACTIVE;
    SetWindowPlacement(hwnd, &wp);
}

void Win32Backend::controlChanged(Control& control, Property what) {
    auto it = controls_.find(&control);
    if (it == controls_.end() || !windowOf(control.form())) return; // the windows will be made from the model
    it->second->changed(what);
}

void Win32Backend::show(Form& form) { windowsFor(form).present(); }

void Win32Backend::showModal(Form& form) {
    FormWindow& fw = windowsFor(form);
    // No owner: the program's other windows are turned off by hand meanwhile.
    fw.disableOthers();
    modal_.push_back(&fw);
    fw.present();
    // A WM_QUIT ends the show as a close would: nothing is left turned off by a form that
    // nobody can answer any more (the quit is posted again for the outer loop).
    if (!pump(true, [&form] { return !form.loaded(); }) && form.loaded()) form.unload();
}

void Win32Backend::unload(Form& form) {
    auto it = forms_.find(&form);
    if (it == forms_.end()) return;
    std::unique_ptr<FormWindow> fw = std::move(it->second);
    forms_.erase(it);
    for (auto& cw : fw->controls()) controls_.erase(&cw->control());
    modal_.erase(std::remove(modal_.begin(), modal_.end(), fw.get()), modal_.end());
    fw->enableOthers(); // before the window goes, or the focus would go to another program
    if (depth_ == 0) return; // nothing of it is running: destroyed here
    fw->retire();
    retired_.push_back(std::move(fw));
}

void Win32Backend::destroyRetired() {
    // Destroying a window sends messages, which may dispatch and come back here.
    while (!retired_.empty()) {
        std::unique_ptr<FormWindow> fw = std::move(retired_.back());
        retired_.pop_back();
    }
}

void Win32Backend::setTimer(Control& timer, uint32_t intervalMs) {
    auto it = controls_.find(&timer);
    if (it == controls_.end()) return;
    forms_.at(&timer.form())->armTimer(*it->second, intervalMs);
}

void Win32Backend::sendToBack(Control& control) {
    auto it = controls_.find(&control);
    if (it != controls_.end()) forms_.at(&control.form())->sendToBack(*it->second);
}

std::shared_ptr<const Picture> Win32Backend::decode(const PictureSource& source) {
    switch (source.kind) {
    case PictureSource::Kind::Resource: {
        // Built-in pictures never change: decoded once, shared by every control showing
        // them. One that could not be decoded is tried again at the next load.
        auto& cached = builtIn_[source.name];
        if (!cached)
            if (Picture p = decoder_.fromResource(instance_, source.name)) cached = std::make_shared<const Picture>(std::move(p));
        return cached;
    }
    case PictureSource::Kind::File: {
        // Read afresh each time: the file beside the program may change between loads.
        Picture p = decoder_.fromFile(widen(source.name));
        return p ? std::make_shared<const Picture>(std::move(p)) : nullptr;
    }
    case PictureSource::Kind::None:
        break;
    }
    return nullptr;
}

bool Win32Backend::loadPicture(Control& control, const PictureSource& source) {
    auto it = controls_.find(&control);
    if (it == controls_.end()) return false;
    std::shared_ptr<const Picture> picture = decode(source);
    if (!picture && source.kind != PictureSource::Kind::None) return false;
    it->second->setPicture(std::move(picture));
    return true;
}

bool Win32Backend::pump(bool wait, const std::function<bool()>& done) {
    MSG msg;
    while (!done()) {
        if (wait) {
            if (GetMessageW(&msg, nullptr, 0, 0) == -1) return false;
        } else if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            return true;
        }
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam)); // let an outer loop end too
            return false;
        }
        // Tab, arrows, Space and Enter move and press as in a dialog box, in our forms.
        HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        bool ours = root && std::any_of(forms_.begin(), forms_.end(),
                                        [root](const auto& entry) { return entry.second->hwnd() == root; });
        if (ours && msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && (!GetFocus() || GetFocus() == root) &&
            focusEdgeStop(root, GetKeyState(VK_SHIFT) < 0))
            continue;
        if (!ours || !IsDialogMessageW(root, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

void Win32Backend::answeringPress(uint32_t at, POINT where) {
    tail_ = Press{at, where};
    swallowRelease_ = 0;
    tailWatcher = this;
    // A hook rather than a test in our pump: the answer may run a loop of the system's
    // (an error's message box) that takes the tail from the queue first.
    if (!tailHook_)
        tailHook_.reset(SetWindowsHookExW(WH_GETMESSAGE, &Win32Backend::onMessageTaken, nullptr, GetCurrentThreadId()));
}

LRESULT CALLBACK Win32Backend::onMessageTaken(int code, WPARAM removed, LPARAM message) {
    auto* msg = reinterpret_cast<MSG*>(message);
    if (code == HC_ACTION && removed == PM_REMOVE && tailWatcher && tailWatcher->isAnswerTail(*msg))
        msg->message = WM_NULL;
    return CallNextHookEx(nullptr, code, removed, message);
}

bool Win32Backend::isAnswerTail(const MSG& msg) {
    if (swallowRelease_ && msg.message == swallowRelease_) {
        swallowRelease_ = 0;
        return true;
    }
    UINT release = 0;
    switch (msg.message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: release = WM_LBUTTONUP; break;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: release = WM_NCLBUTTONUP; break;
    default: return false;
    }
    swallowRelease_ = 0;
    if (!tail_) return false;
    Press first = *tail_;
    tail_.reset(); // only the very next press can be the second of the pair
    // The system's own test for a double-click: within its time and its rectangle.
    bool inTime = msg.time - first.at < GetDoubleClickTime();
    bool onTheSpot = std::abs(msg.pt.x - first.where.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                std::abs(msg.pt.y - first.where.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    if (!inTime || !onTheSpot) return false;
    swallowRelease_ = release;
    return true;
}

void Win32Backend::doEvents() {
    pump(false, [] { return false; });
}

void Win32Backend::run() { pump(true, [] { return false; }); }

TwipsSize Win32Backend::screenSize() {
    return {GetSystemMetrics(SM_CXSCREEN) * kTwipsPerPixel, GetSystemMetrics(SM_CYSCREEN) * kTwipsPerPixel};
}

TwipsSize Win32Backend::outerSize(const FormDesign& design) {
    RECT r{0, 0, twipsToPixels(design.clientWidth), twipsToPixels(design.clientHeight)};
    if (design.border == FormBorder::None) return {design.clientWidth, design.clientHeight};
    AdjustWindowRectEx(&r, FormWindow::styleOf(design), FALSE, FormWindow::kExStyle);
    // The frame in pixels, added to the client size in twips: no rounding of the client.
    float frameWidth = static_cast<float>(r.right - r.left) - static_cast<float>(twipsToPixels(design.clientWidth));
    float frameHeight = static_cast<float>(r.bottom - r.top) - static_cast<float>(twipsToPixels(design.clientHeight));
    return {design.clientWidth + frameWidth * kTwipsPerPixel, design.clientHeight + frameHeight * kTwipsPerPixel};
}

Control* Win32Backend::focusedControl() {
    HWND focus = GetFocus();
    if (!focus) return nullptr;
    for (auto& [control, cw] : controls_)
        if (cw->hwnd() == focus) return &cw->control();
    return nullptr;
}

void Win32Backend::setFocus(Control& control) {
    HWND h = windowOf(control);
    if (!h) return;
    SetFocus(h);
}

uint32_t Win32Backend::doubleClickTime() { return GetDoubleClickTime(); }

bool Win32Backend::turnedOff(const Form& form) {
    HWND h = windowOf(form);
    return !h || !IsWindowEnabled(h);
}

uintptr_t Win32Backend::messageOwner(const Form& form) {
    FormWindow* modal = modalForm();
    return reinterpret_cast<uintptr_t>(modal ? modal->hwnd() : windowOf(form));
}

void Win32Backend::endProgram(int exitCode) { ExitProcess(static_cast<UINT>(exitCode)); }

} // namespace diag::forms
