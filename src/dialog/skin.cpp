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

namespace {

// One assignment of the frame's layout: tile, property, and its value as a·W + b·H + c,
// with W and H the form's outer width and height.
enum class Side : uint8_t { Left, Top, Width, Height };
struct Assignment {
    int16_t tile;
    Side side;
    float w, h, c;
};
constexpr Side L = Side::Left, T = Side::Top, Wd = Side::Width, Ht = Side::Height;

// The 20 assignments, in their order.
constexpr Assignment kFrameLayout[] = {
    {0, L, 0, 0, 0},    {0, T, 0, 0, 0},                                    // top-left corner
    {1, L, 1, 0, -180}, {1, T, 0, 0, 0},                                    // top-right corner
    {2, L, 1, 0, -180}, {2, T, 0, 1, -180},                                 // bottom-right corner
    {3, L, 0, 0, 0},    {3, T, 0, 1, -180},                                 // bottom-left corner
    {4, L, 0, 0, 0},    {4, T, 0, 0, 180},  {4, Ht, 0, 1, -360},            // left edge
    {5, L, 0, 0, 180},  {5, T, 0, 0, 0},    {5, Wd, 1, 0, -360},            // top edge
    {6, L, 1, 0, -180}, {6, T, 0, 0, 180},  {6, Ht, 0, 1, -360},            // right edge
    {7, L, 0, 0, 180},  {7, T, 0, 1, -180}, {7, Wd, 1, 0, -360},            // bottom edge
};

} // namespace

void ApplyFrameSkin(Form& form, TileHolder& holder) {
    for (const Assignment& a : kFrameLayout) {
        Control& tile = form.control("ccb", a.tile);
        // W and H are read from the form again at each step.
        float value = a.w * form.width() + a.h * form.height() + a.c;
        switch (a.side) {
        case Side::Left: tile.setLeft(value); break;
        case Side::Top: tile.setTop(value); break;
        case Side::Width: tile.setWidth(value); break;
        case Side::Height: tile.setHeight(value); break;
        }
    }
    for (int16_t i = 0; i < 8; ++i) {
        Control& tile = form.control("ccb", i);
        tile.setPicture(holder.icc().control("ccbm", i).picture());
        form.backend().sendToBack(tile);
    }
}

} // namespace diag
