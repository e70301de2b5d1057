// Text colours that stay readable on the desktop's colours, light or dark.
#pragma once

#include <QColor>

// The contrast ratio of two colours, 1 (the same) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);
// Whether the colour is a dark one, as a background.
bool IsDarkColour(const QColor& colour);
// The colour as drawn as small text on the background: the same hue, lightened or darkened as little as
// gives 4.5 : 1; black or white when no lightness of the hue does.
QColor ReadableOn(const QColor& colour, const QColor& background);
