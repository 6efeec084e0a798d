#include "dialog/mini97.h"

#include <array>

namespace diag {

using namespace forms;

namespace {

constexpr ControlDesign frameTile(int16_t index) {
    // Edges stretch their picture along the side; corners show theirs at its own size.
    return {.name = "ccb", .index = index, .kind = Kind::Picture, .width = 180, .height = 180, .stretch = index >= 4};
}

constexpr std::array kControls = {
    ControlDesign{.name = "Image1", .index = 2, .kind = Kind::Picture, .left = 330, .top = 390, .width = 1755,
                  .height = 1230, .picture = "IMG_ILLUSTRATION"},
    ControlDesign{.name = "Label1", .kind = Kind::Label, .left = 2280, .top = 390, .width = 2775, .height = 2265,
                  .caption = "Label1", .align = Align::Center, .wordWrap = true},
    ControlDesign{.name = "Text1", .kind = Kind::TextBox, .left = 330, .top = 2850, .width = 4785, .height = 405,
                  .visible = false, .tabIndex = 0},
    // Tab goes left to right, Annuler then Valider; neither has the focus at the start.
    ControlDesign{.name = "btc", .index = 3, .kind = Kind::Picture, .left = 2880, .top = 3510, .width = 1095,
                  .height = 1095, .tabIndex = 2, .picture = "IMG_CANCEL", .accessibleName = "Annuler"},
    ControlDesign{.name = "btc", .index = 2, .kind = Kind::Picture, .left = 4050, .top = 3510, .width = 1095,
                  .height = 1095, .tabIndex = 3, .picture = "IMG_OK", .accessibleName = "Valider"},
    frameTile(0), frameTile(1), frameTile(2), frameTile(3),
    frameTile(4), frameTile(5), frameTile(6), frameTile(7),
    ControlDesign{.name = "Timer1", .kind = Kind::Timer}, // the countdown's seconds
};

} // namespace

const FormDesign kMini97Design{.name = "mini_97",
                               .caption = "Confirmation",
                               .clientWidth = 5520,
                               .clientHeight = 4995,
                               .backColor = rgb(255, 255, 255),
                               .font = {"Arial", 12, false},
                               .border = FormBorder::None,
                               .controls = kControls};

Mini97::Mini97(Backend& backend, ErrorReporter& reporter, Module1& module, TileHolder& holder)
    : form_(kMini97Design, backend, reporter), m_(module), holder_(holder) {
    form_.onLoad = [this] { Form_Load(); };
    form_.setClickHandler("btc", [this](int16_t index) { btc_Click(index); });
    form_.setTickHandler("Timer1", [this] { Timer1_Timer(); });
    // Another program changed the mode while the question is up: it comes back whole
    // onto the new screen, centred as at its load, so its keys can still be reached; or,
    // when that change leaves nothing to ask, it closes with no answer.
    form_.onDisplayChange = [this] {
        if (countdown_ && countdown_->moot && countdown_->moot()) return closeUnanswered();
        CenterOnScreen(form_);
    };
}

void Mini97::show() {
    countdown_.reset();
    form_.showModal();
}

void Mini97::show(Countdown countdown) {
    countdown_ = std::move(countdown);
    form_.showModal();
    // A show that failed leaves it to the next, which sets its own before the load reads
    // it: only the dialog's own window, made by a show, asks it anything.
    countdown_.reset();
}

void Mini97::showPrompt() {
    form_.control("Label1").setCaption(
        countdown_ ? m_.DialogText + "\r\n" + countdown_->before + std::to_string(secondsLeft_) + countdown_->after
                   : m_.DialogText);
}

void Mini97::Timer1_Timer() {
    if (!countdown_) return;
    if (--secondsLeft_ > 0) return showPrompt();
    closeUnanswered();
}

void Mini97::closeUnanswered() {
    form_.control("Timer1").setInterval(0);
    form_.unload(); // no answer: DialogCode keeps the request
}

void Mini97::Form_Load() {
    // The second press of a double-click that opened the dialog is no answer.
    form_.setPressDelay(form_.backend().doubleClickTime());
    CenterOnScreen(form_);
    ApplyFrameSkin(form_, holder_);
    // The picture beside the program is an optional decoration: when it cannot serve,
    // the built-in illustration stays and the question is still put.
    form_.control("Image1", 2).setPicture({PictureSource::Kind::File, kDialogPictureFile});
    if (countdown_) {
        secondsLeft_ = countdown_->seconds;
        form_.control("Timer1").setInterval(kCountdownStepMs);
    }
    showPrompt();
    if (m_.DialogCode > kTextBoxFlag) {
        m_.DialogCode = static_cast<int16_t>(m_.DialogCode - kTextBoxFlag);
        form_.control("Text1").setVisible(true);
    }
}

void Mini97::btc_Click(int16_t index) {
    if (index == 2) {
        m_.DialogText = form_.control("Text1").caption();
        m_.DialogCode = kAnswerConfirm;
    }
    if (index == 3) {
        m_.DialogText.clear();
        m_.DialogCode = kAnswerCancel;
    }
    form_.unload();
}

} // namespace diag
