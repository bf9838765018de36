// Centring with the clamp to the virtual desktop's top-left edge.
#include "Placement.h"

namespace core {

Point CentredPosition(const Rect& area, int width, int height, const Rect& virtualDesktop) {
    // Integer division truncates towards zero, also when the window is larger than the area.
    Point p{area.left + (area.Width() - width) / 2, area.top + (area.Height() - height) / 2};
    if (p.x < virtualDesktop.left) p.x = virtualDesktop.left;
    if (p.y < virtualDesktop.top) p.y = virtualDesktop.top;
    return p;
}

} // namespace core
