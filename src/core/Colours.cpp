// The colour choice, free of Windows calls so that it is tested natively.
#include "Colours.h"

#include <algorithm>
#include <cmath>

namespace core {

namespace {

// Relative luminance of an sRGB colour (WCAG 2).
double Luminance(Colour c) {
    const auto linear = [](unsigned channel) {
        const double v = channel / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c & 0xFF) + 0.7152 * linear((c >> 8) & 0xFF) +
           0.0722 * linear((c >> 16) & 0xFF);
}

} // namespace

double ContrastRatio(Colour a, Colour b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Palette ChoosePalette(Colour layoutBackground, const SystemColours& system) {
    const bool useSystem =
        system.highContrast ||
        ContrastRatio(system.windowText, layoutBackground) < kMinimumTextContrast;
    return {useSystem, useSystem ? system.window : layoutBackground, system.windowText,
            system.hotLight};
}

Colour Palette::Text(Ink ink) const {
    switch (ink.kind) {
    case Ink::WindowText:
        return windowText;
    case Ink::Link:
        return system ? hotLight : ink.fixed;
    case Ink::Fixed:
        break;
    }
    return system ? windowText : ink.fixed;
}

} // namespace core
