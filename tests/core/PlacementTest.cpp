#include "core/Placement.h"

#include <gtest/gtest.h>

using core::CentredPosition;
using core::Point;
using core::Rect;

namespace {

struct Case {
    const char* name;
    Rect area;
    int width, height;
    Rect desktop;
    Point expected;
};

// The notice window's outer size with a classic frame is about 982 x 480.
const Case kCases[] = {
    {"centred on a large screen", {0, 0, 1280, 800}, 982, 480, {0, 0, 1280, 800}, {149, 160}},
    {"odd remainder truncates", {0, 0, 1281, 801}, 982, 480, {0, 0, 1281, 801}, {149, 160}},
    {"work area below a top taskbar", {0, 40, 1280, 800}, 982, 480, {0, 0, 1280, 800}, {149, 180}},
    {"second monitor to the right", {1280, 0, 3200, 1080}, 982, 480, {0, 0, 3200, 1080}, {1749, 300}},
    {"monitor left of the primary", {-1920, 0, 0, 1080}, 982, 480, {-1920, 0, 1280, 1080}, {-1451, 300}},
    // Wider than the screen: -91 truncates towards zero to -91, then clamps to the edge.
    {"800 x 600 clamps left", {0, 0, 800, 600}, 982, 480, {0, 0, 800, 600}, {0, 60}},
    {"640 x 400 clamps both", {0, 0, 640, 400}, 982, 480, {0, 0, 640, 400}, {0, 0}},
    // (640 - 981) / 2 = -170.5, which truncates to -170 (floor division would give -171).
    {"negative half truncates towards zero", {-1000, 0, -360, 1000}, 981, 480, {-2000, 0, 0, 1000}, {-1170, 260}},
    // Off the desktop's left edge the window keeps the edge.
    {"clamped to a desktop edge left of zero", {-640, -400, 0, 0}, 982, 480, {-640, -400, 1280, 800}, {-640, -400}},
};

TEST(CentredPosition, CentresInTheAreaAndClampsToTheDesktop) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const Point p = CentredPosition(c.area, c.width, c.height, c.desktop);
        EXPECT_EQ(c.expected.x, p.x);
        EXPECT_EQ(c.expected.y, p.y);
    }
}

} // namespace
