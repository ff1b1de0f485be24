#pragma once

#include <QFont>
#include <QRect>
#include <QtGlobal>

namespace spartiti {

// The window layouts are designed in twips: 1440 to the inch, 15 to a pixel at 96 dpi;
// Qt's high-DPI scaling takes care of other screens. A length that is no whole number of
// pixels goes to the nearest one.
constexpr int twipsToPixels(int twips) { return qRound(twips / 15.0); }

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

// The face the windows were designed in, "MS Sans Serif", is not on Linux desktops; the
// nearest sans-serif face stands in.
inline QFont sansSerif(qreal points, QFont::Weight weight = QFont::Normal)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setWeight(weight);
    return font;
}

} // namespace spartiti
