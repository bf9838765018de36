// Which colours the notice paints with. The layout's own colours, unless the user needs the
// system's: a high-contrast theme, or a window-text colour that would not stand out on the
// layout's background.
#pragma once

#include <cstdint>

namespace core {

// 0x00BBGGRR, as Windows stores a colour.
using Colour = std::uint32_t;

// A text colour as the layout states it: the system's window text, a fixed colour, or the
// fixed colour of a link.
struct Ink {
    enum Kind { WindowText, Fixed, Link } kind;
    Colour fixed;
};

struct SystemColours {
    bool highContrast;
    Colour window, windowText, hotLight;
};

struct Palette {
    bool system; // the system's colours replace the layout's
    Colour background;
    Colour windowText;
    Colour hotLight;

    Colour Text(Ink ink) const;
};

constexpr bool operator==(const Palette& a, const Palette& b) {
    return a.system == b.system && a.background == b.background && a.windowText == b.windowText &&
           a.hotLight == b.hotLight;
}
constexpr bool operator!=(const Palette& a, const Palette& b) { return !(a == b); }

// The contrast ratio of two colours as WCAG defines it, from 1 (none) to 21.
double ContrastRatio(Colour a, Colour b);

// Below this ratio text is hard to read (WCAG AA for body text).
constexpr double kMinimumTextContrast = 4.5;

Palette ChoosePalette(Colour layoutBackground, const SystemColours& system);

} // namespace core
