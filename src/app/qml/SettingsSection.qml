import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A card of the settings window: a header row with a symbol and a title, then the content 14 points below.
Pane {
    id: section

    property string title
    property string symbolName
    default property alias content: contentColumn.data

    padding: 16
    background: Rectangle {
        color: palette.base
        radius: 12
        border.color: Qt.rgba(palette.windowText.r, palette.windowText.g, palette.windowText.b, 0.08)
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 14

        RowLayout {
            spacing: 8
            Symbol {
                name: section.symbolName
                color: palette.windowText
                size: 16
            }
            Label {
                text: section.title
                font.weight: Font.DemiBold
            }
        }

        ColumnLayout {
            id: contentColumn
            spacing: 16
            Layout.fillWidth: true
        }
    }
}
