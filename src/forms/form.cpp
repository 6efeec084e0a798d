#include "forms/form.h"

#include "app/error_report.h"

#include <cmath>
#include <stdexcept>

namespace diag::forms {

int twipsToPixels(float twips) { return static_cast<int>(std::lround(twips / 15.0f)); }

PixelRect pixelRect(const Control& c) {
    return {twipsToPixels(c.left()), twipsToPixels(c.top()), twipsToPixels(c.width()), twipsToPixels(c.height())};
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

void Control::setLeft(float twips) {
    left_ = twips;
    notify(Property::Position);
}

void Control::setTop(float twips) {
    top_ = twips;
    notify(Property::Position);
}

void Control::setWidth(float twips) {
    width_ = twips;
    notify(Property::Position);
}

void Control::setHeight(float twips) {
    height_ = twips;
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
    throw std::logic_error("no control " + std::string(name) + " (" + std::to_string(index) + ") on " +
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
    // Errors of the load handler pass to whoever caused the load (see deliver).
    if (onLoad) onLoad();
}

void Form::show() {
    load();
    backend_.show(*this);
}

void Form::showModal() {
    load();
    backend_.showModal(*this);
}

void Form::unload() {
    if (!loaded_) return;
    backend_.unload(*this);
    loaded_ = false;
    // The next load starts the controls again from their design.
}

void Form::setClickHandler(std::string_view name, ClickHandler handler) {
    clickHandlers_.emplace_back(std::string(name), std::move(handler));
}

void Form::setTickHandler(std::string_view name, std::function<void()> handler) {
    tickHandlers_.emplace_back(std::string(name), std::move(handler));
}

bool Form::clickable(const Control& control) const {
    for (auto& [name, handler] : clickHandlers_)
        if (name == control.name()) return true;
    return false;
}

void Form::click(Control& control) {
    for (auto& [name, handler] : clickHandlers_)
        if (name == control.name()) return handler(control.index());
}

void Form::tick(Control& control) {
    for (auto& [name, handler] : tickHandlers_)
        if (name == control.name()) return handler();
}

bool Form::deliver(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const ProgramEnded&) {
        throw;
    } catch (const std::exception& e) {
        reporter_.report(e);
    } catch (...) {
        reporter_.report(std::runtime_error("erreur inconnue"));
    }
    return false;
}

} // namespace diag::forms
