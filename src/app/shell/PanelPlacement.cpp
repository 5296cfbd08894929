#include "PanelPlacement.h"

#include <algorithm>

namespace hollerbox {

namespace {

QPoint clamped(QPoint corner, QSize panel, QRect available)
{
    const int maxX = std::max(available.left(), available.right() + 1 - panel.width());
    const int maxY = std::max(available.top(), available.bottom() + 1 - panel.height());
    return {std::clamp(corner.x(), available.left(), maxX), std::clamp(corner.y(), available.top(), maxY)};
}

} // namespace

QPoint PanelPlacement::position(QSize panel, QRect icon, QRect available)
{
    if (icon.isEmpty()) {
        return clamped({available.right() + 1 - margin - panel.width(), available.top() + margin}, panel,
                       available);
    }
    const bool iconAtTop = icon.center().y() < available.center().y();
    const QPoint aboveOrBelow =
        clamped({icon.center().x() - panel.width() / 2,
                 iconAtTop ? icon.bottom() + 1 + margin : icon.top() - margin - panel.height()},
                panel, available);
    if (!QRect{aboveOrBelow, panel}.intersects(icon)) {
        return aboveOrBelow;
    }
    const bool iconAtLeft = icon.center().x() < available.center().x();
    return clamped({iconAtLeft ? icon.right() + 1 + margin : icon.left() - margin - panel.width(),
                    icon.center().y() - panel.height() / 2},
                   panel, available);
}

} // namespace hollerbox
