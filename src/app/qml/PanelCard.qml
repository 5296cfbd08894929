import QtQuick
import QtQuick.Controls

// A card of the panel: its content padded on the control background, clipped to rounded corners.
Pane {
    padding: 14
    background: Rectangle {
        color: palette.base
        radius: 14
        border.color: Qt.rgba(palette.windowText.r, palette.windowText.g, palette.windowText.b, 0.08)
    }
}
