#pragma once

#include <QRect>

namespace spartiti {

// The window layouts are designed in twips: 1440 to the inch, 15 to a pixel at 96 dpi.
constexpr int twipsToPixels(int twips) { return twips / 15; }

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

} // namespace spartiti
