// Window geometry is designed in twips (1/1440 inch); the windows place their controls at 15 twips to
// a device-independent pixel.
#pragma once

#include <QFont>
#include <QGuiApplication>
#include <QRect>
#include <cmath>

namespace korvane {

inline constexpr double kTwipsPerPixel = 15.0;

inline int twipsToPixels(double twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

// The edges are rounded separately, so that neighbouring controls keep their gaps.
inline QRect twipsToPixels(double left, double top, double width, double height) {
    const int x = twipsToPixels(left);
    const int y = twipsToPixels(top);
    return {x, y, twipsToPixels(left + width) - x, twipsToPixels(top + height) - y};
}

// The platform's default face in the designed size of 8.25 points.
inline QFont designedFont(bool bold = false) {
    QFont font = QGuiApplication::font();
    font.setPointSizeF(8.25);
    font.setBold(bold);
    return font;
}

}  // namespace korvane
