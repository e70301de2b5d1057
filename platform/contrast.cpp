// Relative luminance and contrast as the web's accessibility guidelines measure them.
#include "platform/contrast.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double SmallTextContrast = 4.5;

double Luminance(const QColor& c) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

} // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool IsDarkColour(const QColor& colour) {
    return Luminance(colour) < 0.3;
}

QColor ReadableOn(const QColor& colour, const QColor& background) {
    if (ContrastRatio(colour, background) >= SmallTextContrast) return colour;
    // Keep hue and saturation and move the lightness as little as will do, away from the background first;
    // luminance grows with HSL lightness, so halving the interval finds that lightness.
    float h, s, l, a;
    colour.getHslF(&h, &s, &l, &a);
    h = std::max(h, 0.0f); // a grey has no hue
    const bool dark = IsDarkColour(background);
    for (const float end : {dark ? 1.0f : 0.0f, dark ? 0.0f : 1.0f}) {
        if (ContrastRatio(QColor::fromHslF(h, s, end), background) < SmallTextContrast) continue;
        float near = l, far = end;
        for (int step = 0; step < 24; ++step) {
            const float mid = (near + far) / 2;
            (ContrastRatio(QColor::fromHslF(h, s, mid), background) >= SmallTextContrast ? far : near) = mid;
        }
        return QColor::fromHslF(h, s, far);
    }
    return ContrastRatio(QColor(Qt::black), background) >= ContrastRatio(QColor(Qt::white), background)
               ? QColor(Qt::black)
               : QColor(Qt::white);
}
