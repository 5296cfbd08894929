import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A navigation tile of the panel: a plain button with a symbol above its title.
Button {
    id: tile
    Accessible.onPressAction: clicked()

    property string symbolName

    flat: true
    padding: 16
    implicitHeight: Math.max(88, implicitContentHeight + topPadding + bottomPadding)

    contentItem: ColumnLayout {
        spacing: 8
        Symbol {
            name: tile.symbolName
            size: 22
            color: palette.windowText
            Layout.alignment: Qt.AlignHCenter
        }
        Label {
            text: tile.text
            font.weight: Font.Medium
            horizontalAlignment: Text.AlignHCenter
            elide: Text.ElideRight
            Layout.fillWidth: true
        }
    }

    background: Rectangle {
        radius: 12
        color: Qt.tint(palette.base, Qt.rgba(palette.windowText.r, palette.windowText.g, palette.windowText.b,
                                             tile.down ? 0.14 : tile.hovered ? 0.06 : 0))
        border.color: tile.visualFocus ? palette.highlight
                                       : Qt.rgba(palette.windowText.r, palette.windowText.g, palette.windowText.b, 0.08)
    }
}
