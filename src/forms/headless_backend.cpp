#include "forms/headless_backend.h"

#include "forms/creation_error.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <utility>

namespace diag::forms {

namespace {

std::string nameOf(const Control& c) {
    return std::string(c.name()) + (c.index() >= 0 ? "(" + std::to_string(c.index()) + ")" : "");
}

const char* propertyName(Property p) {
    switch (p) {
    case Property::Caption: return "caption";
    case Property::BackColor: return "backColor";
    case Property::Position: return "position";
    case Property::Visible: return "visible";
    case Property::Picture: return "picture";
    }
    return "?";
}

} // namespace

void HeadlessBackend::formChanged(Form& form, Property what) {
    calls.push_back(std::string(form.design().name) + "." + propertyName(what));
    // As SetWindowPlacement does: a minimised window is moved where it will be restored.
    if (auto it = minimized_.find(&form); it != minimized_.end() && what == Property::Position)
        it->second = {form.left(), form.top()};
}

void HeadlessBackend::minimize(Form& form) { minimized_[&form] = {form.left(), form.top()}; }

HeadlessBackend::Point HeadlessBackend::restore(Form& form) {
    Point at = minimized_.at(&form);
    minimized_.erase(&form);
    return at;
}

TwipsSize HeadlessBackend::outerSize(const FormDesign& design) {
    bool framed = design.border == FormBorder::FixedSingle;
    return {design.clientWidth + (framed ? frame.width * kTwipsPerPixel : 0.0f),
            design.clientHeight + (framed ? frame.height * kTwipsPerPixel : 0.0f)};
}

void HeadlessBackend::controlChanged(Control& control, Property what) {
    calls.push_back(nameOf(control) + "." + propertyName(what));
}

void HeadlessBackend::create(const char* what) {
    if (refuseCreation > 0 && --refuseCreation == 0) throw CreationError(what, "refusée par le test");
}

void HeadlessBackend::realize(Form& form) {
    calls.push_back(std::string(form.design().name) + ".realize");
    // Timers are part of the design state: a freshly loaded form starts with none running.
    for (auto& c : form.controls())
        if (c->kind() == Kind::Timer && c->interval() != 0) setTimer(*c, c->interval());
}

void HeadlessBackend::show(Form& form) {
    if (std::find(shown_.begin(), shown_.end(), &form) != shown_.end()) return;
    create("la fenêtre");
    shown_.push_back(&form);
    form.appeared(static_cast<uint32_t>(now_));
}

void HeadlessBackend::showModal(Form& form) {
    show(form);
    focused_ = nullptr; // the modal form takes the focus
    modal_.push_back(&form);
    if (modalAnswerer) modalAnswerer(form);
    modal_.erase(std::remove(modal_.begin(), modal_.end(), &form), modal_.end());
    if (form.loaded()) form.unload(); // closed without an answer
}

void HeadlessBackend::unload(Form& form) {
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                                 [&](const Timer& t) { return &t.control->form() == &form; }),
                  timers_.end());
    shown_.erase(std::remove(shown_.begin(), shown_.end(), &form), shown_.end());
    modal_.erase(std::remove(modal_.begin(), modal_.end(), &form), modal_.end());
    for (auto& c : form.controls()) {
        backOrder.erase(std::remove(backOrder.begin(), backOrder.end(), c.get()), backOrder.end());
        if (focused_ == c.get()) focused_ = nullptr;
    }
    minimized_.erase(&form);
}

void HeadlessBackend::setTimer(Control& timer, uint32_t intervalMs) {
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.control == &timer; }),
                  timers_.end());
    if (intervalMs == 0) return;
    create("le minuteur");
    timers_.push_back({&timer, intervalMs, now_ + intervalMs});
}

bool HeadlessBackend::timerRunning(const Control& timer) const {
    return std::any_of(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.control == &timer; });
}

void HeadlessBackend::sendToBack(Control& control) {
    calls.push_back(nameOf(control) + ".toBack");
    backOrder.erase(std::remove(backOrder.begin(), backOrder.end(), &control), backOrder.end());
    backOrder.insert(backOrder.begin(), &control);
}

bool HeadlessBackend::loadPicture(Control& control, const PictureSource& source) {
    calls.push_back(nameOf(control) + ".picture");
    if (source.kind != PictureSource::Kind::File) return true;
    std::ifstream in(source.name, std::ios::binary);
    char magic[6] = {};
    in.read(magic, sizeof magic);
    return in && (std::string_view(magic, 6) == "GIF87a" || std::string_view(magic, 6) == "GIF89a");
}

void HeadlessBackend::doEvents() {
    std::vector<std::function<void()>> due;
    due.swap(pending);
    for (auto& event : due) event();
}

TwipsSize HeadlessBackend::screenSize() { return screen(); }

void HeadlessBackend::endProgram(int code) {
    ended = true;
    exitCode = code;
    throw ProgramEnded{};
}

void HeadlessBackend::advance(uint32_t ms) {
    uint64_t end = now_ + ms;
    for (;;) {
        auto next = std::min_element(timers_.begin(), timers_.end(),
                                     [](const Timer& a, const Timer& b) { return a.due < b.due; });
        if (next == timers_.end() || next->due > end) break;
        now_ = next->due;
        next->due += next->interval;
        Control& timer = *next->control;
        timer.form().deliver([&] { timer.form().tick(timer); });
    }
    now_ = end;
}

HeadlessBackend::ScreenPoint HeadlessBackend::centreOf(const Control& control) const {
    const Form& form = control.form();
    // The client area starts inside the frame: its side borders, and the title bar above.
    bool framed = form.design().border == FormBorder::FixedSingle;
    int border = framed ? frame.width / 2 : 0, title = framed ? frame.height - frame.width : 0;
    PixelRect r = pixelRect(control);
    return {twipsToPixels(form.left()) + border + r.x + r.width / 2,
            twipsToPixels(form.top()) + border + title + r.y + r.height / 2};
}

bool HeadlessBackend::click(Control& control, std::optional<ScreenPoint> at) {
    Form& form = control.form();
    bool shown = std::find(shown_.begin(), shown_.end(), &form) != shown_.end();
    if (!form.loaded() || !shown || turnedOff(form) || !control.visible()) return false;
    lastPress = at ? *at : centreOf(control);
    // The system's own test for a double-click, as Win32Backend::isAnswerTail asks it.
    std::optional<Press> answered = std::exchange(answered_, std::nullopt);
    if (answered && now_ - answered->at < doubleClick &&
        std::abs(lastPress.x - answered->where.x) <= doubleClickArea.width / 2 &&
        std::abs(lastPress.y - answered->where.y) <= doubleClickArea.height / 2)
        return false;
    bool delivered = form.userClick(control, static_cast<uint32_t>(now_));
    // As Win32Backend::answeringPress arms the tail at every press that answers, whether
    // or not its form is still there.
    if (delivered) answered_ = Press{now_, lastPress};
    return delivered;
}

} // namespace diag::forms
