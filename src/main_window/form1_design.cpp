// Form1 as the form designer saved it. Twips; 15 to a pixel.
#include "main_window/form1_design.h"

#include <array>

namespace diag {

using namespace forms;

namespace {

constexpr Color kWhite = rgb(255, 255, 255);
constexpr Color kNoteText = rgb(192, 64, 0);
constexpr Color kRed = rgb(255, 0, 0);
constexpr FontDesign kBold{"Arial", 12, true};

// A text with a white, opaque, bordered box, centred.
constexpr ControlDesign displayBox(std::string_view name, float l, float t, float w, float h,
                                   std::string_view caption = {}) {
    return {.name = name, .kind = Kind::Label, .left = l, .top = t, .width = w, .height = h, .caption = caption,
            .backColor = kWhite, .opaque = true, .border = true, .align = Align::Center, .wordWrap = true};
}

// A word-wrapped dark orange text on a transparent background.
constexpr ControlDesign note(std::string_view name, int16_t index, float l, float t, float w, float h,
                             std::string_view caption, Align align = Align::Left) {
    return {.name = name, .index = index, .kind = Kind::Label, .left = l, .top = t, .width = w, .height = h,
            .caption = caption, .foreColor = kNoteText, .align = align, .wordWrap = true};
}

constexpr ControlDesign separator(std::string_view name, float l, float t) {
    return {.name = name, .kind = Kind::Label, .left = l, .top = t, .width = 345, .height = 375, .caption = "X",
            .align = Align::Center};
}

// A push button in the graphical style: white face, caption wrapped and centred.
constexpr ControlDesign whiteButton(std::string_view name, int16_t index, float l, float t, float w, float h,
                                    std::string_view caption, int16_t tab) {
    return {.name = name, .index = index, .kind = Kind::Button, .left = l, .top = t, .width = w, .height = h,
            .caption = caption, .backColor = kWhite, .align = Align::Center, .wordWrap = true, .tabIndex = tab};
}

constexpr ControlDesign picture(std::string_view name, float l, float t, float w, float h, std::string_view pic,
                                std::string_view accessibleName = {}, int16_t tab = -1) {
    return {.name = name, .kind = Kind::Picture, .left = l, .top = t, .width = w, .height = h, .tabIndex = tab,
            .picture = pic, .accessibleName = accessibleName};
}

constexpr ControlDesign line(std::string_view name, float x1, float y1, float x2, float y2) {
    return {.name = name, .kind = Kind::Line, .left = x1, .top = y1, .width = x2, .height = y2, .foreColor = kRed};
}

constexpr ControlDesign timer(std::string_view name) { return {.name = name, .kind = Kind::Timer}; }

constexpr std::array kControls = {
    // Font-size section.
    ControlDesign{.name = "Label1", .kind = Kind::Label, .left = 180, .top = 240, .width = 3345, .height = 405,
                  .caption = " La taille de vos caractères est ", .backColor = kWhite, .opaque = true,
                  .border = true, .align = Align::Left},
    displayBox("Label2", 3720, 240, 2055, 405),
    note("Label3", -1, 180, 990, 5565, 855,
         "Lorsque la résolution de votre écran est trop importante, les polices sont grossies pour que vous "
         "arriviez à lire."),
    note("Label4", -1, 180, 1890, 5565, 855,
         "La conséquence est que les graphiques sont décalés avec le texte grossi et votre logiciel devient "
         "difficile à utiliser."),
    note("Label5", -1, 180, 2850, 5565, 855,
         "Si la taille de vos caractère est grossie (Voir fenêtre ci-dessus) vous devez regler la taille des "
         "caractères de votre windows à 96 ppp ou 100 %"),
    whiteButton("Command3", -1, 180, 4500, 5625, 495, "Comment modifier la police de votre Windows", 0),
    note("Label6", 0, 180, 5190, 5565, 855,
         "Si votre ordinateur est relié à Internet cliquez sur le bouton ci-dessus pour avoir toutes les "
         "explications, sinon rendez vous sur le lien :"),
    // The help page's address, set by the load handler.
    ControlDesign{.name = "Label6", .index = 1, .kind = Kind::Label, .left = 180, .top = 6180, .width = 5565,
                  .height = 855, .foreColor = rgb(0, 0, 0), .align = Align::Left,
                  .wordWrap = true, .font = kBold},

    // Saved resolution.
    displayBox("Label10", 7050, 630, 3405, 735, " La résolution sauvegardée d'origine de votre écran est"),
    displayBox("Label11", 7050, 1530, 1515, 405),
    separator("Label13", 8610, 1590),
    displayBox("Label12", 8940, 1530, 1515, 405),
    whiteButton("Command5", -1, 7050, 2220, 1845, 1275, "Revenir à la configuration d'Origine", 1),
    picture("Image5", 9120, 2190, 1440, 1440, "IMG_REVERT", "Revenir à la configuration d'origine"),

    // Current resolution.
    displayBox("Label17", 7050, 4440, 3405, 435, " La résolution actuelle est"),
    displayBox("Label16", 7050, 5010, 1515, 405),
    separator("Label14", 8610, 5070),
    displayBox("Label15", 8940, 5010, 1515, 405),

    // Test resolutions: classic shapes on the left, wide ones on the right.
    picture("Image7", 7440, 5880, 795, 930, "IMG_MONITOR_43"),
    picture("Image8", 9150, 5850, 1080, 930, "IMG_MONITOR_WIDE"),
    whiteButton("Command6", 0, 7050, 7260, 1545, 405, "1024 x 768", 2),
    whiteButton("Command6", 6, 7050, 7710, 1545, 405, "1152 x 864", 8),
    whiteButton("Command6", 3, 7050, 8160, 1545, 405, "1280 x 1024", 5),
    whiteButton("Command6", 5, 9000, 7260, 1545, 405, "1280 x 768", 7),
    whiteButton("Command6", 4, 9000, 7680, 1545, 405, "1280 x 800", 6),
    whiteButton("Command6", 1, 9000, 8100, 1545, 405, "1366 x 768", 3),
    whiteButton("Command6", 2, 9000, 8520, 1545, 405, "1440 x 900", 4),
    note("Label20", -1, 7050, 9360, 3465, 1185, "Les résolution optimales sont 1024x768 ou 1366x768",
         Align::Center),
    note("Label18", -1, 12030, 5880, 2985, 1455,
         "Testez une des résolutions ci-contre qui se rapprochent le plus de la résolution optimale de votre "
         "logiciel de caisse.",
         Align::Right),
    note("Label19", -1, 12180, 7500, 2865, 1455,
         "Vous pourrez revenir à la première résolution de votre écran en cliquez sur 'Revenir à la "
         "configfuration d'origine' ",
         Align::Right),

    // Screen rulers: 1024 and 1368 pixels across, 738 down.
    line("Line1", 15360, 0, 15360, 11070),
    line("Line6", 20520, 0, 20520, 11070),
    line("Line5", 0, 11070, 20520, 11070),
    note("Label7", -1, 11460, 330, 2775, 945, "Résolution de votre logiciel en mode classique 1024x768 pixels."),
    picture("Image2", 14340, 300, 960, 960, "IMG_ARROW_RIGHT"),
    note("Label8", -1, 16830, 300, 2535, 945, "Résolution de votre logiciel en mode élargi 1368x768 pixels."),
    picture("Image3", 19440, 300, 960, 960, "IMG_ARROW_RIGHT"),
    note("Label9", -1, 270, 8850, 1815, 1245, "Résolution verticale de votre logiciel pour les deux modes",
         Align::Center),
    picture("Image4", 690, 10110, 960, 960, "IMG_ARROW_DOWN"),

    // Exit, background and the hidden holders of the start-up actions.
    // Last in tab order: a way out from the keyboard besides Alt+F4.
    picture("Image6", 14220, 9930, 960, 960, "IMG_EXIT", "Quitter", 9),
    ControlDesign{.name = "Shape1", .kind = Kind::Shape, .left = 6510, .top = 240, .width = 4455, .height = 10485,
                  .backColor = rgb(255, 224, 192), .opaque = true},
    ControlDesign{.name = "Command1", .kind = Kind::Button, .left = 11910, .top = 11070, .width = 1095,
                  .height = 945, .caption = "Command1", .font = {"MS Sans Serif", 8.25f, false},
                  .visible = false},
    ControlDesign{.name = "Command4", .kind = Kind::Button, .left = 11580, .top = 11160, .width = 1425,
                  .height = 435, .caption = "Command4", .visible = false},
    timer("Timer1"),
    timer("Timer2"),
};

} // namespace

const FormDesign kForm1Design{
    .name = "Form1",
    .caption = "Diagnostic de la résolution de votre Logiciel de Caisse",
    .clientWidth = 21510,
    .clientHeight = 12420,
    .backColor = kWhite,
    .font = {"Arial", 12, false},
    .border = FormBorder::FixedSingle,
    .icon = "IDI_DIAGRESO",
    .controls = kControls,
};

std::vector<std::string> testButtonCaptions() {
    std::vector<std::string> captions;
    for (const ControlDesign& c : kControls) {
        if (c.name != "Command6") continue;
        auto at = static_cast<size_t>(c.index);
        if (captions.size() <= at) captions.resize(at + 1);
        captions[at] = std::string(c.caption);
    }
    return captions;
}

} // namespace diag
