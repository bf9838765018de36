#include "core/Colours.h"

#include <gtest/gtest.h>

namespace {

using core::Colour;
using core::Ink;

constexpr Colour kBackground = 0x00FFFBF0; // the notice's
constexpr Ink kWindowText{Ink::WindowText, 0};
constexpr Ink kBlue{Ink::Fixed, 0x00FF0000};
constexpr Ink kLink{Ink::Link, 0x00FF0000};

TEST(ContrastRatio, MatchesTheWcagFigures) {
    EXPECT_NEAR(21.0, core::ContrastRatio(0x000000, 0xFFFFFF), 1e-9);
    EXPECT_NEAR(21.0, core::ContrastRatio(0xFFFFFF, 0x000000), 1e-9);
    EXPECT_NEAR(1.0, core::ContrastRatio(0x808080, 0x808080), 1e-9);
    // #767676 on white is the usual example of just passing 4.5 : 1, #777777 of just failing.
    EXPECT_NEAR(4.54, core::ContrastRatio(0x767676, 0xFFFFFF), 0.01);
    EXPECT_NEAR(4.48, core::ContrastRatio(0x777777, 0xFFFFFF), 0.01);
    // Red and blue are weighted differently: 0x00BBGGRR, not 0x00RRGGBB.
    EXPECT_NEAR(3.998, core::ContrastRatio(0x0000FF, 0xFFFFFF), 0.01); // pure red
    EXPECT_NEAR(8.592, core::ContrastRatio(0xFF0000, 0xFFFFFF), 0.01); // pure blue
}

TEST(ChoosePalette, TheSystemsColoursOnlyForHighContrastOrUnreadableWindowText) {
    const struct {
        const char* name;
        core::SystemColours system;
        bool expectSystem;
    } cases[] = {
        {"default colours", {false, 0xFFFFFF, 0x000000, 0xCC6600}, false},
        {"dark grey text still reads", {false, 0xFFFFFF, 0x555555, 0xCC6600}, false},
        // On the notice's background #737373 gives 4.50 : 1 and #747474 4.44 : 1.
        {"#737373 text: just 4.5 : 1", {false, 0xFFFFFF, 0x737373, 0xCC6600}, false},
        {"#747474 text: just under 4.5 : 1", {false, 0xFFFFFF, 0x747474, 0xCC6600}, true},
        {"pure red text: 3.8 : 1", {false, 0xFFFFFF, 0x0000FF, 0xCC6600}, true},
        {"white text on black", {false, 0x000000, 0xFFFFFF, 0x00FFFF}, true},
        {"yellow text on dark blue", {false, 0x400000, 0x00FFFF, 0x00FF00}, true},
        {"high contrast with black text on white", {true, 0xFFFFFF, 0x000000, 0x800000}, true},
        {"high contrast, white on black", {true, 0x000000, 0xFFFFFF, 0x00FFFF}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const core::Palette p = core::ChoosePalette(kBackground, c.system);
        EXPECT_EQ(c.expectSystem, p.system);
        EXPECT_EQ(c.system.windowText, p.Text(kWindowText));
        if (c.expectSystem) {
            EXPECT_EQ(c.system.window, p.background);
            EXPECT_EQ(c.system.windowText, p.Text(kBlue)) << "every text label in window text";
            EXPECT_EQ(c.system.hotLight, p.Text(kLink));
        } else {
            EXPECT_EQ(kBackground, p.background);
            EXPECT_EQ(0x00FF0000u, p.Text(kBlue));
            EXPECT_EQ(0x00FF0000u, p.Text(kLink));
        }
    }
}

} // namespace
