import QtQuick

// A dashed vertical line filling its height, linking one timeline marker to the next.
Item {
    id: connector

    property color color: palette.placeholderText
    property real dashLength: 4
    property real gapLength: 4

    implicitWidth: 2

    Column {
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: connector.gapLength

        Repeater {
            model: Math.max(0, Math.floor((connector.height + connector.gapLength)
                                          / (connector.dashLength + connector.gapLength)))

            Rectangle {
                width: connector.width
                height: connector.dashLength
                radius: width / 2
                color: connector.color
            }
        }
    }
}
