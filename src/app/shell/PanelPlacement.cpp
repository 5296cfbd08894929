#include "PanelPlacement.h"

#include <algorithm>

namespace hollerbox {

QPoint PanelPlacement::position(QSize panel, QRect icon, QRect available)
{
    QPoint corner;
    if (icon.isEmpty()) {
        corner = {available.right() + 1 - margin - panel.width(), available.top() + margin};
    } else {
        const int x = icon.center().x() - panel.width() / 2;
        const bool iconAtTop = icon.center().y() < available.center().y();
        const int y = iconAtTop ? icon.bottom() + 1 + margin : icon.top() - margin - panel.height();
        corner = {x, y};
    }
    const int maxX = std::max(available.left(), available.right() + 1 - panel.width());
    const int maxY = std::max(available.top(), available.bottom() + 1 - panel.height());
    return {std::clamp(corner.x(), available.left(), maxX), std::clamp(corner.y(), available.top(), maxY)};
}

} // namespace hollerbox
