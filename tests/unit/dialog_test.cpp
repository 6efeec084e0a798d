#include "dialog/mini97.h"
#include "dialog/skin.h"
#include "forms/headless_backend.h"
#include "support/recording_reporter.h"
#include "temp_dir.h"

#include <array>
#include <new>

using namespace diag;
using namespace diag::forms;

namespace {

class DialogTest : public InTempDir {
  protected:
    HeadlessBackend backend;
    RecordingReporter reporter;
    Module1 m;
    TileHolder holder{backend, reporter};
    Mini97 dialog{backend, reporter, m, holder};

    // What the user sees while the dialog is up, and what they do.
    struct Seen {
        int16_t code = -1;
        bool textBox = false;
        std::string prompt;
    };
    // A press on a key of the dialog, once a person could have read the question.
    void press(Form& f, int16_t key) {
        backend.advance(backend.doubleClick);
        backend.click(f.control("btc", key));
    }
    enum class Answer { Confirm, Cancel, Close };
    Seen ask(int16_t code, std::string prompt, Answer answer, std::string typed = {}) {
        m.DialogCode = code;
        m.DialogText = std::move(prompt);
        Seen seen;
        backend.modalAnswerer = [&](Form& f) {
            seen = {m.DialogCode, f.control("Text1").visible(), f.control("Label1").caption()};
            if (!typed.empty()) f.control("Text1").captionFromUser(typed);
            if (answer == Answer::Confirm) press(f, 2);
            if (answer == Answer::Cancel) press(f, 3);
        };
        dialog.show();
        EXPECT_FALSE(dialog.form().loaded()) << "unloaded after every answer";
        return seen;
    }
};

} // namespace

TEST_F(DialogTest, RequestAndAnswerPassThroughTheSharedVariables) {
    struct Case {
        int16_t request;
        Answer answer;
        std::string typed;
        int16_t codeWhileOpen;
        bool textBox;
        int16_t codeAfter;
        std::string textAfter;
    } cases[] = {
        {4, Answer::Confirm, "", 4, false, 6, ""},
        {4, Answer::Cancel, "", 4, false, 7, ""},
        {4, Answer::Close, "", 4, false, 4, "la question"},
        {132, Answer::Confirm, "abc", 4, true, 6, "abc"},
        {132, Answer::Cancel, "abc", 4, true, 7, ""},
        {132, Answer::Close, "abc", 4, true, 4, "la question"},
        {128, Answer::Confirm, "", 128, false, 6, ""},
        {129, Answer::Confirm, "x", 1, true, 6, "x"},
        {-5, Answer::Cancel, "", -5, false, 7, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.request << " answer " << static_cast<int>(c.answer));
        Seen seen = ask(c.request, "la question", c.answer, c.typed);
        EXPECT_EQ(seen.code, c.codeWhileOpen);
        EXPECT_EQ(seen.textBox, c.textBox);
        EXPECT_EQ(seen.prompt, "la question");
        EXPECT_EQ(m.DialogCode, c.codeAfter);
        EXPECT_EQ(m.DialogText, c.textAfter);
    }
}

TEST_F(DialogTest, PressesSoonerThanTheDoubleClickTimeAfterItAppearsAreNoAnswer) {
    backend.doubleClick = 400;
    m.DialogCode = 4;
    m.DialogText = "?";
    std::vector<bool> seen;
    backend.modalAnswerer = [&](Form& f) {
        seen.push_back(backend.click(f.control("btc", 2))); // the second press of a double-click
        backend.advance(399);
        seen.push_back(backend.click(f.control("btc", 3)));
        seen.push_back(f.loaded()); // still waiting
        backend.advance(1);
        seen.push_back(backend.click(f.control("btc", 2)));
    };
    dialog.show();
    EXPECT_EQ(seen, (std::vector<bool>{false, false, true, true}));
    EXPECT_EQ(m.DialogCode, 6);
}

// The countdown's line follows the dialog's own timer; at 0 the dialog closes as Esc does,
// and the next plain show counts nothing.
TEST_F(DialogTest, CountdownTellsTheSecondsLeftAndEndsWithNoAnswer) {
    m.DialogCode = 4;
    m.DialogText = "Conserver ?";
    std::vector<std::string> lines;
    bool openAtTheLastMoment = false;
    backend.modalAnswerer = [&](Form& f) {
        for (uint32_t step : {0u, 1000u, 12999u, 1u, 999u}) {
            backend.advance(step);
            lines.push_back(f.control("Label1").caption());
        }
        openAtTheLastMoment = f.loaded();
        backend.advance(1);
    };
    dialog.show({3 + 12, "dans ", " s"});
    EXPECT_EQ(lines, (std::vector<std::string>{"Conserver ?\r\ndans 15 s", "Conserver ?\r\ndans 14 s",
                                               "Conserver ?\r\ndans 2 s", "Conserver ?\r\ndans 1 s",
                                               "Conserver ?\r\ndans 1 s"}));
    EXPECT_TRUE(openAtTheLastMoment);
    EXPECT_FALSE(dialog.form().loaded());
    EXPECT_EQ(m.DialogCode, 4) << "no answer";
    EXPECT_EQ(ask(4, "Confirmez ?", Answer::Close).prompt, "Confirmez ?") << "a plain show has no second line";
    EXPECT_FALSE(backend.timerRunning(dialog.form().control("Timer1")));
}

TEST_F(DialogTest, EveryShowStartsFromTheDesign) {
    // A load that fails (the picture's buffer out of memory) is undone: the next show runs
    // the load again and puts its own question, never the design's "Label1".
    auto screen = backend.screen;
    backend.screen = []() -> TwipsSize { throw std::bad_alloc(); };
    bool shownAfterAFailedLoad = false;
    backend.modalAnswerer = [&](Form&) { shownAfterAFailedLoad = true; };
    m.DialogCode = 4;
    EXPECT_THROW(dialog.show(), std::bad_alloc);
    EXPECT_FALSE(shownAfterAFailedLoad);
    EXPECT_FALSE(dialog.form().loaded());
    backend.screen = screen;
    EXPECT_EQ(ask(132, "première", Answer::Confirm, "tapé").prompt, "première");
    Seen second;
    m.DialogCode = 4;
    m.DialogText = "Confirmez le test de la résolution en mode \r\n1280 x 1024 ?";
    backend.modalAnswerer = [&](Form& f) {
        second = {m.DialogCode, f.control("Text1").visible(), f.control("Label1").caption()};
        EXPECT_EQ(f.control("Text1").caption(), "");
        press(f, 2);
    };
    dialog.show();
    EXPECT_FALSE(second.textBox);
    EXPECT_EQ(second.prompt, "Confirmez le test de la résolution en mode \r\n1280 x 1024 ?");
    EXPECT_EQ(m.DialogText, "") << "the hidden text box is empty";
}

TEST_F(DialogTest, LoadCentresThenFramesThenPictureThenPromptThenTextBox) {
    m.DialogCode = 132;
    m.DialogText = "?";
    backend.modalAnswerer = [](Form&) {};
    dialog.show();
    std::vector<std::string> steps;
    for (const std::string& call : backend.calls) {
        std::string step = call.find("mini_97.position") == 0     ? "centre"
                           : call.find("ccb") == 0                 ? "frame"
                           : call.find("Image1(2).picture") == 0   ? "picture"
                           : call.find("Label1.caption") == 0      ? "prompt"
                           : call.find("Text1.visible") == 0       ? "text box"
                                                                   : "";
        if (!step.empty() && (steps.empty() || steps.back() != step)) steps.push_back(step);
    }
    EXPECT_EQ(steps, (std::vector<std::string>{"centre", "frame", "picture", "prompt", "text box"}));
}

TEST_F(DialogTest, PictureBesideTheProgramReplacesTheBuiltInOneOnlyWhenItServes) {
    struct Case {
        const char* name;
        std::optional<std::string> content;
        bool fromFile;
    } cases[] = {
        {"absent", std::nullopt, false},
        {"empty", "", false},
        {"truncated", "GIF8", false},
        {"a PNG under that name", "\x89PNG\r\n\x1a\n", false},
        {"a GIF", "GIF89a\x75\x00\x52\x00", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(kDialogPictureFile);
        if (c.content) writeAll(kDialogPictureFile, *c.content);
        PictureSource shown;
        backend.modalAnswerer = [&](Form& f) {
            shown = f.control("Image1", 2).picture();
            press(f, 3);
        };
        m.DialogCode = 4;
        dialog.show();
        EXPECT_EQ(m.DialogCode, 7) << "the dialog still opens and answers";
        EXPECT_EQ(shown.kind, c.fromFile ? PictureSource::Kind::File : PictureSource::Kind::Resource);
        EXPECT_TRUE(reporter.messages.empty());
    }
}

namespace {

constexpr ControlDesign tile(int16_t i) { return {.name = "ccb", .index = i, .kind = Kind::Picture, .width = 180, .height = 180}; }
constexpr std::array kTileControls = {
    ControlDesign{.name = "Other", .kind = Kind::Label, .left = 500, .top = 500, .width = 100, .height = 100},
    tile(0), tile(1), tile(2), tile(3), tile(4), tile(5), tile(6), tile(7)};
constexpr FormDesign kFramed{.name = "framed", .clientWidth = 3000, .clientHeight = 1500, .controls = kTileControls};
constexpr FormDesign kWide{.name = "wide", .clientWidth = 21510, .clientHeight = 400, .border = FormBorder::None,
                           .controls = kTileControls};
constexpr FormDesign kSmallest{.name = "smallest", .clientWidth = 375, .clientHeight = 375,
                               .border = FormBorder::None, .controls = kTileControls};

} // namespace

// Whatever the form's outer size, the eight tiles cover a 180-twip band along its edges,
// with no gap and no overlap, each in its role's place.
TEST(FrameSkin, TilesCoverTheBandAlongEveryEdgeOfAnyForm) {
    HeadlessBackend backend;
    RecordingReporter reporter;
    TileHolder holder(backend, reporter);
    for (const FormDesign* design : {&kMini97Design, &kFramed, &kWide, &kSmallest}) {
        SCOPED_TRACE(design->name);
        Form form(*design, backend, reporter);
        form.load();
        ApplyFrameSkin(form, holder);
        float w = form.width(), h = form.height();
        EXPECT_EQ(w > design->clientWidth, design->border == FormBorder::FixedSingle) << "the outer size";
        struct Box {
            float x0, y0, x1, y1;
        };
        std::vector<Box> boxes;
        float area = 0;
        for (int16_t i = 0; i < 8; ++i) {
            Control& t = form.control("ccb", i);
            boxes.push_back({t.left(), t.top(), t.left() + t.width(), t.top() + t.height()});
            area += t.width() * t.height();
            EXPECT_EQ(t.picture(), holder.icc().control("ccbm", i).picture()) << "tile " << i;
        }
        // Corners 0 to 3 clockwise from the top left, then the left, top, right and bottom edges.
        const std::pair<float, float> roles[8] = {{0, 0},     {w - 1, 0},     {w - 1, h - 1}, {0, h - 1},
                                                  {0, h / 2}, {w / 2, 0},     {w - 1, h / 2}, {w / 2, h - 1}};
        for (int i = 0; i < 8; ++i) {
            const Box& b = boxes[static_cast<size_t>(i)];
            EXPECT_TRUE(b.x0 <= roles[i].first && roles[i].first < b.x1 && b.y0 <= roles[i].second &&
                        roles[i].second < b.y1)
                << "tile " << i << " is not in its place";
            EXPECT_TRUE(b.x0 >= 0 && b.y0 >= 0 && b.x1 <= w && b.y1 <= h) << "tile " << i << " leaves the form";
            EXPECT_FALSE(b.x0 < w - 180 && b.x1 > 180 && b.y0 < h - 180 && b.y1 > 180) << "tile " << i << " enters";
            for (int k = 0; k < i; ++k) {
                const Box& o = boxes[static_cast<size_t>(k)];
                EXPECT_FALSE(b.x0 < o.x1 && o.x0 < b.x1 && b.y0 < o.y1 && o.y0 < b.y1) << i << " overlaps " << k;
            }
        }
        EXPECT_EQ(area, w * h - (w - 360) * (h - 360)) << "no gap";
        // Every tile ends behind every other control.
        ASSERT_GE(backend.backOrder.size(), 8u);
        for (int16_t i = 0; i < 8; ++i) EXPECT_EQ(backend.backOrder[7 - i], &form.control("ccb", i));
        form.unload();
    }
    EXPECT_EQ(std::count(backend.calls.begin(), backend.calls.end(), "icc.realize"), 1)
        << "the holder is loaded once and reused";
}

TEST(FrameSkin, CentringKeepsFractionsOfATwip) {
    struct Case {
        const FormDesign* form;
        int screenWidth, screenHeight;
        float left, top;
    } cases[] = {{&kMini97Design, 1024, 768, 4920, 3262.5f},  {&kMini97Design, 800, 600, 3240, 2002.5f},
                 {&kMini97Design, 1280, 1024, 6840, 5182.5f}, {&kMini97Design, 320, 200, -360, -997.5f},
                 // A bordered form is centred by its outer size: 3000 x 1500 and a frame of 6 x 29 pixels.
                 {&kFramed, 1024, 768, (15360 - 3090) / 2.0f, (11520 - 1935) / 2.0f}};
    for (const Case& c : cases) {
        HeadlessBackend backend;
        backend.screen = [&] { return TwipsSize{c.screenWidth * 15.0f, c.screenHeight * 15.0f}; };
        RecordingReporter reporter;
        Form form(*c.form, backend, reporter);
        form.load();
        CenterOnScreen(form);
        EXPECT_EQ(form.left(), c.left) << c.screenWidth;
        EXPECT_EQ(form.top(), c.top) << c.screenHeight;
    }
}
