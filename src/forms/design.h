#pragma once
// Design data of forms and controls, declared once per form as constexpr tables, the
// way a form designer saves them. Positions and sizes are in twips (15 to a pixel).
#include <cstdint>
#include <span>
#include <string_view>

namespace diag::forms {

enum class Kind : uint8_t { Label, Button, Picture, TextBox, Line, Shape, Timer };
enum class Align : uint8_t { Left, Center, Right };
enum class FormBorder : uint8_t { FixedSingle, None };

// Windows colour values (0x00BBGGRR); kSystemColor stands for the system's own colour
// (window text for a foreground, button face for a button background).
using Color = uint32_t;
constexpr Color kSystemColor = 0xFFFFFFFF;
constexpr Color rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }

// One colour of the system's scheme (a COLOR_* index), which the backend looks up.
constexpr Color systemColor(unsigned index) { return 0x80000000u | index; }
constexpr bool isSystemColor(Color c) { return (c & 0x80000000u) != 0; }
constexpr Color kWindowColor = systemColor(5);      // COLOR_WINDOW
constexpr Color kWindowTextColor = systemColor(8);  // COLOR_WINDOWTEXT
constexpr Color kButtonFaceColor = systemColor(15); // COLOR_BTNFACE
constexpr Color kButtonTextColor = systemColor(18); // COLOR_BTNTEXT

struct FontDesign {
    std::string_view face = {}; // empty: the form's font
    float points = 0;
    bool bold = false;
};

struct ControlDesign {
    std::string_view name = {};
    int16_t index = -1; // -1: not a member of a group
    Kind kind = Kind::Label;
    // Lines: the two end points (x1, y1, x2, y2).
    float left = 0, top = 0, width = 0, height = 0;
    std::string_view caption = {};
    Color backColor = kSystemColor;
    Color foreColor = kSystemColor;
    bool opaque = false; // background painted (labels); transparent otherwise
    bool border = false; // single-line border
    Align align = Align::Left;
    bool wordWrap = false;
    FontDesign font = {};
    bool visible = true;
    int16_t tabIndex = -1;         // -1: never takes the focus
    std::string_view picture = {};      // name of a built-in picture
    bool stretch = false;          // pictures: stretched to the control's size
    std::string_view accessibleName = {}; // pictures that act on a click
};

struct FormDesign {
    std::string_view name = {};
    std::string_view caption = {};
    float clientWidth = 0, clientHeight = 0;
    Color backColor = rgb(255, 255, 255);
    FontDesign font = {};
    FormBorder border = FormBorder::FixedSingle;
    std::string_view icon = {};
    std::span<const ControlDesign> controls = {};
};

} // namespace diag::forms
