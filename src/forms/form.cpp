#include "forms/form.h"

#include "app/error_report.h"
#include "app/errors.h"

#include <cmath>

namespace diag::forms {

int twipsToPixels(float twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

PixelRect pixelRect(const Control& c) {
    return {twipsToPixels(c.left()), twipsToPixels(c.top()), twipsToPixels(c.width()), twipsToPixels(c.height())};
}

PixelRect pixelRect(const ControlDesign& d) {
    return {twipsToPixels(d.left), twipsToPixels(d.top), twipsToPixels(d.width), twipsToPixels(d.height)};
}

ShownColors shownColors(const Control& c, Color beneath, bool highContrast) {
    const ControlDesign& d = c.design();
    switch (d.kind) {
    case Kind::Button:
        if (highContrast) return {kButtonFaceColor, kButtonTextColor};
        return {c.backColor() == kSystemColor ? kButtonFaceColor : c.backColor(),
                d.foreColor == kSystemColor ? kWindowTextColor : d.foreColor};
    case Kind::Line:
        return {beneath, d.foreColor};
    case Kind::Picture:
        // A picture that could not be decoded shows its name on a plain face.
        return {highContrast ? kWindowColor : beneath, highContrast ? kWindowTextColor : kButtonTextColor};
    default:
        break;
    }
    if (highContrast) return {kWindowColor, kWindowTextColor};
    bool own = d.opaque || d.kind == Kind::Shape;
    return {own ? (c.backColor() == kSystemColor ? kButtonFaceColor : c.backColor()) : beneath,
            d.foreColor == kSystemColor ? kWindowTextColor : d.foreColor};
}

Color shownFormColor(const FormDesign& form, bool highContrast) {
    return highContrast ? kWindowColor : form.backColor;
}

Control::Control(Form& form, const ControlDesign& design)
    : form_(form), design_(design), left_(design.left), top_(design.top), width_(design.width),
      height_(design.height), caption_(design.caption), backColor_(design.backColor), visible_(design.visible) {
    if (!design.picture.empty()) picture_ = {PictureSource::Kind::Resource, std::string(design.picture)};
}

bool Control::setPicture(const PictureSource& source) {
    if (form_.loaded() && !form_.backend().loadPicture(*this, source)) return false;
    picture_ = source;
    return true;
}

void Control::notify(Property what) {
    if (form_.loaded()) form_.backend().controlChanged(*this, what);
}

void Control::setCaption(std::string caption) {
    caption_ = std::move(caption);
    notify(Property::Caption);
}

void Control::setBackColor(Color color) {
    backColor_ = color;
    notify(Property::BackColor);
}

void Control::setLeft(float twips) { setPlace(left_, twips); }
void Control::setTop(float twips) { setPlace(top_, twips); }
void Control::setWidth(float twips) { setPlace(width_, twips); }
void Control::setHeight(float twips) { setPlace(height_, twips); }

void Control::setPlace(float& part, float twips) {
    part = twips;
    notify(Property::Position);
}

void Control::setVisible(bool visible) {
    visible_ = visible;
    notify(Property::Visible);
}

void Control::setInterval(uint32_t ms) {
    interval_ = ms;
    if (form_.loaded()) form_.backend().setTimer(*this, ms);
}

Form::Form(const FormDesign& design, Backend& backend, ErrorReporter& reporter)
    : design_(design), backend_(backend), reporter_(reporter) {}

Form::~Form() {
    if (loaded_) backend_.unload(*this);
}

Control* Form::find(std::string_view name, int16_t index) {
    for (auto& c : controls_)
        if (c->name() == name && c->index() == index) return c.get();
    return nullptr;
}

Control& Form::control(std::string_view name, int16_t index) {
    if (Control* c = find(name, index)) return *c;
    throw AppError("no control " + std::string(name) + " (" + std::to_string(index) + ") on " +
                           std::string(design_.name));
}

void Form::setLeft(float twips) {
    left_ = twips;
    if (loaded_) backend_.formChanged(*this, Property::Position);
}

void Form::setTop(float twips) {
    top_ = twips;
    if (loaded_) backend_.formChanged(*this, Property::Position);
}

void Form::createControls() {
    controls_.clear();
    for (const ControlDesign& d : design_.controls) controls_.push_back(std::make_unique<Control>(*this, d));
}

void Form::load() {
    if (loaded_) return;
    createControls();
    loaded_ = true;
    backend_.realize(*this);
    // A load that fails is undone, so that the next show runs the handler again and no
    // form is shown half set up (a dialog with its design-time question). Its errors pass
    // to whoever caused the load (see deliver).
    try {
        if (onLoad) onLoad();
    } catch (...) {
        unload();
        throw;
    }
}

void Form::show() {
    load();
    try {
        backend_.show(*this);
    } catch (...) {
        unload();
        throw;
    }
}

void Form::showModal() {
    load();
    // Remembered by form and name: the control objects of a reloaded form are new ones.
    Control* focused = backend_.focusedControl();
    Form* focusForm = focused ? &focused->form() : nullptr;
    std::string focusName = focused ? std::string(focused->name()) : std::string();
    int16_t focusIndex = focused ? focused->index() : -1;
    try {
        backend_.showModal(*this);
    } catch (...) {
        unload();
        throw;
    }
    if (focusForm && focusForm != this && focusForm->loaded())
        if (Control* again = focusForm->find(focusName, focusIndex)) backend_.setFocus(*again);
}

void Form::unload() {
    if (!loaded_) return;
    backend_.unload(*this);
    loaded_ = false;
    // The next load starts the controls again from their design.
}

const ControlDesign& Form::declared(std::string_view name) const {
    for (const ControlDesign& d : design_.controls)
        if (d.name == name) return d;
    throw AppError("no control " + std::string(name) + " on " + std::string(design_.name));
}

void Form::setClickHandler(std::string_view name, ClickHandler handler) {
    // Keyed by the design table's own name, which lives as long as the program.
    clickHandlers_[declared(name).name] = std::move(handler);
}

void Form::setTickHandler(std::string_view name, std::function<void()> handler) {
    const ControlDesign& d = declared(name);
    if (d.kind != Kind::Timer) throw AppError(std::string(name) + " is not a timer");
    tickHandlers_[d.name] = std::move(handler);
}

bool Form::clickable(const Control& control) const { return clickHandlers_.contains(control.name()); }

void Form::click(Control& control) {
    if (auto it = clickHandlers_.find(control.name()); it != clickHandlers_.end()) it->second(control.index());
}

void Form::tick(Control& control) {
    if (auto it = tickHandlers_.find(control.name()); it != tickHandlers_.end()) it->second();
}

bool Form::userClick(Control& control, uint32_t pressedAt) {
    // A signed difference survives the clock's wrap; a press from before the form could
    // take input (made while it was being made or painted) is early too. A form without a
    // delay takes every click, whatever time its message carries.
    auto since = static_cast<int32_t>(pressedAt - appearedAt_);
    bool early = pressDelay_ > 0 && (since < 0 || static_cast<uint32_t>(since) < pressDelay_);
    // One question at a time: a form that a question turned off answers nothing.
    if (early || !clickable(control) || backend_.turnedOff(*this)) return false;
    // The handler may unload this form: its controls live until the next load.
    deliver([this, &control] { click(control); });
    return true;
}

bool Form::deliver(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const ProgramEnded&) {
        throw;
    } catch (const std::exception& e) {
        reporter_.reportFrom(e, backend_.messageOwner(*this));
    } catch (...) {
        reporter_.reportFrom(AppError("erreur inconnue"), backend_.messageOwner(*this));
    }
    return false;
}

} // namespace diag::forms
