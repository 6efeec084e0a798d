#include "app/errors.h"
#include "display/display_errors.h"
#include "display/display_modes.h"
#include "display/simulated_display.h"

#include <gtest/gtest.h>

using namespace diag;
using Kind = SimulatedDisplay::Call::Kind;

namespace {

const SimulatedDisplay::Call* find(const SimulatedDisplay& d, Kind kind, uint32_t message = 0) {
    for (const auto& c : d.log())
        if (c.kind == kind && (kind != Kind::Broadcast || c.message == message)) return &c;
    return nullptr;
}

} // namespace

TEST(DisplayQueries, ReadTheModeInForceAfreshEachTime) {
    SimulatedDisplay display({1024, 768, 32});
    DisplayModes modes(display);
    EXPECT_EQ(modes.GetCurrentWidth(), 1024);
    EXPECT_EQ(modes.GetCurrentHeight(), 768);
    EXPECT_EQ(modes.GetCurrentBitsPerPixel(), 32);
    display.setCurrent({1280, 1024, 16});
    EXPECT_EQ(modes.GetCurrentWidth(), 1280);
    EXPECT_EQ(modes.GetCurrentBitsPerPixel(), 16);
}

TEST(DisplayQueries, FailedEnumerationReadsAsZero) {
    SimulatedDisplay display({1024, 768, 32});
    display.failEnumerations(true);
    DisplayModes modes(display);
    EXPECT_EQ(modes.GetCurrentWidth(), 0);
    EXPECT_EQ(modes.GetCurrentHeight(), 0);
    EXPECT_EQ(modes.GetCurrentBitsPerPixel(), 0);
}

TEST(DisplayQueries, SizeBeyond16BitsIsAnOverflow) {
    SimulatedDisplay display({32768, 768, 32});
    DisplayModes modes(display);
    EXPECT_THROW(modes.GetCurrentWidth(), OverflowError);
    EXPECT_EQ(modes.GetCurrentHeight(), 768);
    display.setCurrent({1024, 40000, 32});
    EXPECT_THROW(modes.GetCurrentHeight(), OverflowError);
}

TEST(ChangeResolution, ModeAlreadyInForceChangesNothing) {
    SimulatedDisplay display({1024, 768, 32});
    EXPECT_EQ(DisplayModes(display).ChangeResolution(1024.0f, 768.0f, 32), DisplayModes::Outcome::AlreadyInForce);
    EXPECT_EQ(display.count(Kind::Change), 0u);
    EXPECT_EQ(display.count(Kind::Broadcast), 0u) << "the other windows are not told";
    EXPECT_EQ(display.stored(), (Mode{1024, 768, 32}));
}

// From a mode in force of 1024 x 768 at 32 bits.
TEST(ChangeResolution, BuildsTheRequestFromTheEnumeratedRecord) {
    constexpr uint32_t kEnum = SimulatedDisplay::kEnumFields;
    struct Case {
        float width, height;
        int16_t bits;
        uint32_t fields;
        int32_t pelsWidth, pelsHeight;
        int32_t lParam;
        Mode after;
    } cases[] = {
        {1024, 768, 16, kEnum | DM_BITSPERPEL_, 1024, 768, 768 * 65536 + 1024, {1024, 768, 16}},
        {800, 600, 32, DM_PELSWIDTH_ | DM_PELSHEIGHT_, 800, 600, 600 * 65536 + 800, {800, 600, 32}},
        {1024, 600, 32, kEnum | DM_PELSHEIGHT_, 1024, 600, 600 * 65536 + 1024, {1024, 600, 32}},
        {800, 600, 16, DM_PELSWIDTH_ | DM_PELSHEIGHT_ | DM_BITSPERPEL_, 800, 600, 600 * 65536 + 800, {800, 600, 16}},
        {1280, 768, 32, DM_PELSWIDTH_, 1280, 768, 768 * 65536 + 1280, {1280, 768, 32}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " @ " << c.bits);
        SimulatedDisplay display({1024, 768, 32}, [] {
            auto m = SimulatedDisplay::standardModes();
            m.push_back({1024, 600, 32}); // so the height-only change is accepted
            return m;
        }());
        DisplayModes(display).ChangeResolution(c.width, c.height, c.bits);
        const auto* change = find(display, Kind::Change);
        ASSERT_NE(change, nullptr);
        EXPECT_EQ(change->flags, CDS_UPDATEREGISTRY_);
        EXPECT_EQ(change->record.dmFields(), c.fields);
        EXPECT_EQ(change->record.dmPelsWidth(), c.pelsWidth);
        EXPECT_EQ(change->record.dmPelsHeight(), c.pelsHeight);
        EXPECT_EQ(change->record.dmBitsPerPel(), static_cast<uint16_t>(c.bits));
        EXPECT_EQ(change->record.data()[106], 0); // high half of the depth field
        EXPECT_EQ(change->record.data()[107], 0);
        EXPECT_EQ(change->record.dmSize(), DevModeRecord::kSize); // as the enumeration left it
        EXPECT_EQ(change->record.dmDisplayFrequency(), 60u);      // passed through
        EXPECT_EQ(display.current(), c.after);

        ASSERT_EQ(display.count(Kind::Broadcast), 2u);
        const auto& first = display.log()[display.log().size() - 2];
        const auto& second = display.log().back();
        EXPECT_EQ(first.message, WM_DEVMODECHANGE_);
        EXPECT_EQ(first.wParam, 0u);
        EXPECT_EQ(first.pointee, 0u); // an empty device name
        EXPECT_EQ(second.message, WM_DISPLAYCHANGE_);
        EXPECT_EQ(second.wParam, static_cast<uintptr_t>(c.bits));
        EXPECT_EQ(second.lParam, c.lParam);
    }
}

TEST(ChangeResolution, FractionalWidthCountsAsDifferentAndRoundsHalfToEven) {
    struct Case {
        float width;
        int32_t expected;
    } cases[] = {{1024.5f, 1024}, {1025.5f, 1026}, {1023.5f, 1024}};
    for (const Case& c : cases) {
        SimulatedDisplay display({1024, 768, 32}, {{1024, 768, 32}, {1026, 768, 32}});
        DisplayModes(display).ChangeResolution(c.width, 768.0f, 32);
        const auto* change = find(display, Kind::Change);
        ASSERT_NE(change, nullptr) << c.width;
        EXPECT_EQ(change->record.dmFields(), DM_PELSWIDTH_) << c.width;
        EXPECT_EQ(change->record.dmPelsWidth(), c.expected) << c.width;
    }
}

TEST(ChangeResolution, NegativeDepthIsSignExtendedInTheBroadcast) {
    SimulatedDisplay display({1024, 768, 32}, {{1024, 768, 0xFFFF}});
    DisplayModes(display).ChangeResolution(1024, 768, -1);
    const auto* second = find(display, Kind::Broadcast, WM_DISPLAYCHANGE_);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->wParam, 0xFFFFFFFFu);
}

TEST(ChangeResolution, OverflowOfThePackedSizeComesAfterTheChangeAndFirstBroadcast) {
    SimulatedDisplay display({1024, 768, 32}, {{1024, 32768, 32}});
    DisplayModes modes(display);
    EXPECT_THROW(modes.ChangeResolution(1024, 32768, 32), OverflowError);
    EXPECT_EQ(display.count(Kind::Change), 1u);
    EXPECT_NE(find(display, Kind::Broadcast, WM_DEVMODECHANGE_), nullptr);
    EXPECT_EQ(find(display, Kind::Broadcast, WM_DISPLAYCHANGE_), nullptr);
}

TEST(ChangeResolution, WidthBeyond32BitsStopsBeforeAnyChange) {
    for (float width : {3e9f, -3e9f, 1e38f}) {
        SimulatedDisplay display({1024, 768, 32});
        EXPECT_THROW(DisplayModes(display).ChangeResolution(width, 768, 32), OverflowError) << width;
        EXPECT_EQ(display.count(Kind::Change), 0u);
        EXPECT_EQ(display.count(Kind::Broadcast), 0u);
    }
}

TEST(ChangeResolution, CurrentWidthBeyond16BitsStopsInTheEarlyTest) {
    SimulatedDisplay display({40000, 768, 32});
    EXPECT_THROW(DisplayModes(display).ChangeResolution(1024, 768, 32), OverflowError);
    EXPECT_EQ(display.log().size(), 1u);
}

TEST(ChangeResolution, FailedEnumerationBuildsOnAnAllZeroRecord) {
    SimulatedDisplay display({1024, 768, 32});
    display.failEnumerations(true);
    DisplayModes(display).ChangeResolution(800, 600, 32);
    const auto* change = find(display, Kind::Change);
    ASSERT_NE(change, nullptr);
    EXPECT_EQ(change->record.dmFields(), DM_PELSWIDTH_ | DM_PELSHEIGHT_ | DM_BITSPERPEL_);
    EXPECT_EQ(change->record.dmSize(), 0);
    EXPECT_EQ(change->record.dmPelsWidth(), 800);
}

// The system's answer decides what is announced: only a mode really in force is.
TEST(ChangeResolution, ResultCodeDecidesBroadcastsAndError) {
    struct Case {
        int32_t code;
        size_t broadcasts;
        bool error;
        Mode after;
    } cases[] = {
        {DISP_CHANGE_SUCCESSFUL_, 2, false, {800, 600, 32}},
        {DISP_CHANGE_NOTUPDATED_, 2, false, {800, 600, 32}}, // in force, returned as not stored
        {DISP_CHANGE_RESTART_, 0, true, {1024, 768, 32}},
        {DISP_CHANGE_FAILED_, 0, true, {1024, 768, 32}},
        {DISP_CHANGE_BADMODE_, 0, true, {1024, 768, 32}},
        {DISP_CHANGE_BADFLAGS_, 0, true, {1024, 768, 32}},
        {DISP_CHANGE_BADPARAM_, 0, true, {1024, 768, 32}},
        {DISP_CHANGE_BADDUALVIEW_, 0, true, {1024, 768, 32}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        SimulatedDisplay display({1024, 768, 32});
        display.forceResult(c.code);
        int32_t raised = 0;
        try {
            DisplayModes::Outcome outcome = DisplayModes(display).ChangeResolution(800, 600, 32);
            EXPECT_EQ(outcome, c.code == DISP_CHANGE_NOTUPDATED_ ? DisplayModes::Outcome::AppliedNotStored
                                                                 : DisplayModes::Outcome::Applied);
        } catch (const DisplayChangeError& e) {
            raised = e.code();
            EXPECT_EQ(e.width(), 800);
            EXPECT_EQ(e.height(), 600);
            EXPECT_EQ(e.bits(), 32);
        }
        EXPECT_EQ(raised != 0, c.error);
        if (c.error) {
            EXPECT_EQ(raised, c.code);
        }
        EXPECT_EQ(display.count(Kind::Broadcast), c.broadcasts);
        EXPECT_EQ(display.current(), c.after);
    }
}

TEST(ChangeResolution, ModeTheDisplayDoesNotOfferIsRefused) {
    SimulatedDisplay display({1280, 1024, 32});
    try {
        DisplayModes(display).ChangeResolution(1000, 700, 32);
        FAIL() << "no error";
    } catch (const DisplayChangeError& e) {
        EXPECT_EQ(e.code(), DISP_CHANGE_BADMODE_);
    }
    EXPECT_EQ(display.current(), (Mode{1280, 1024, 32}));
    EXPECT_EQ(display.count(Kind::Broadcast), 0u);
}

TEST(ChangeResolution, AcceptedChangeIsStoredAsTheUsersSetting) {
    SimulatedDisplay display({1280, 1024, 32});
    DisplayModes(display).ChangeResolution(1024, 768, 32);
    EXPECT_EQ(display.stored(), (Mode{1024, 768, 32}));
}
