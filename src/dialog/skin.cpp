#include "dialog/skin.h"

#include <array>

namespace diag {

using namespace forms;

namespace {

constexpr ControlDesign tile(int16_t index, std::string_view picture) {
    return {.name = "ccbm", .index = index, .kind = Kind::Picture, .width = 180, .height = 180, .picture = picture};
}

constexpr std::array kIccControls = {
    tile(0, "IMG_CCBM0"), tile(1, "IMG_CCBM1"), tile(2, "IMG_CCBM2"), tile(3, "IMG_CCBM3"),
    tile(4, "IMG_CCBM4"), tile(5, "IMG_CCBM5"), tile(6, "IMG_CCBM6"), tile(7, "IMG_CCBM7"),
};

} // namespace

const FormDesign kIccDesign{.name = "icc",
                            .clientWidth = 1440,
                            .clientHeight = 180,
                            .border = FormBorder::None,
                            .controls = kIccControls};

void CenterOnScreen(Form& form) {
    TwipsSize screen = form.backend().screenSize();
    form.setLeft((screen.width - form.width()) / 2);
    form.setTop((screen.height - form.height()) / 2);
}

TileHolder::TileHolder(Backend& backend, ErrorReporter& reporter) : form_(kIccDesign, backend, reporter) {}

Form& TileHolder::icc() {
    form_.load(); // loaded once, never shown
    return form_;
}

void ApplyFrameSkin(Form& form, TileHolder& holder) {
    auto ccb = [&form](int16_t i) -> Control& { return form.control("ccb", i); };
    // W and H are read from the form again at each step, as the layout is described.
    ccb(0).setLeft(0);
    ccb(0).setTop(0);
    ccb(1).setLeft(form.width() - 180);
    ccb(1).setTop(0);
    ccb(2).setLeft(form.width() - 180);
    ccb(2).setTop(form.height() - 180);
    ccb(3).setLeft(0);
    ccb(3).setTop(form.height() - 180);
    ccb(4).setLeft(0);
    ccb(4).setTop(180);
    ccb(4).setHeight(form.height() - 360);
    ccb(5).setLeft(180);
    ccb(5).setTop(0);
    ccb(5).setWidth(form.width() - 360);
    ccb(6).setLeft(form.width() - 180);
    ccb(6).setTop(180);
    ccb(6).setHeight(form.height() - 360);
    ccb(7).setLeft(180);
    ccb(7).setTop(form.height() - 180);
    ccb(7).setWidth(form.width() - 360);
    for (int16_t i = 0; i < 8; ++i) {
        ccb(i).setPicture(holder.icc().control("ccbm", i).picture());
        form.backend().sendToBack(ccb(i));
    }
}

} // namespace diag
