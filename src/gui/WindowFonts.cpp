#include "WindowFonts.h"

#include <QStringList>

namespace tw::gui {

QFont arialFont(qreal points, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace tw::gui
