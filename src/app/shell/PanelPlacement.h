#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace hollerbox {

/// Where the menu content panel goes on the screen.
class PanelPlacement
{
public:
    static constexpr int margin = 8;

    /// The panel's top-left corner: centred under the tray icon when the icon is in the upper half of
    /// `available`, above it otherwise, beside it where that would cover it (a short screen with a side
    /// dock), or in the top-right corner of `available` when the icon's geometry is unknown (empty); always
    /// inside `available` where the panel fits.
    static QPoint position(QSize panel, QRect icon, QRect available);
};

} // namespace hollerbox
