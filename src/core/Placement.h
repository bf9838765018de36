// Where a top-level window goes when it is first shown. Pure arithmetic, shared by the
// notice window and the error dialog, so that it can be tested without a screen.
#pragma once

namespace core {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
};

struct Point {
    int x = 0, y = 0;
};

constexpr bool operator==(Point a, Point b) { return a.x == b.x && a.y == b.y; }

// Centres a window of the given outer size in `area`, then keeps its top-left corner from
// leaving the virtual desktop to the left or above.
Point CentredPosition(const Rect& area, int width, int height, const Rect& virtualDesktop);

} // namespace core
