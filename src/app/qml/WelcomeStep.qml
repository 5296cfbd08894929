import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// One step of the welcome timeline: a marker (number, check mark when done, lock while out of reach), the
// dashed connector down to the next step's marker, and a card with the title, the status capsule, the line
// and the step's own content.
Item {
    id: step

    property int number: 1
    property string title
    property string line
    // "Done", "Ready" or "Pending".
    property string status: "Pending"
    property bool showsConnector: true
    // The gap down to the next step, which the connector also spans.
    property real connectorExtent: 0
    property color doneColor
    property color readyColor
    default property alias content: contentColumn.data

    readonly property real markerSize: 28

    implicitWidth: 440
    implicitHeight: card.height

    Rectangle {
        id: marker

        width: step.markerSize
        height: step.markerSize
        radius: width / 2
        y: 14
        color: step.status === "Done" ? step.doneColor : step.status === "Ready" ? step.readyColor : "transparent"
        border.width: step.status === "Pending" ? 1.5 : 0
        border.color: palette.placeholderText

        Symbol {
            anchors.centerIn: parent
            visible: step.status !== "Ready"
            size: 14
            name: step.status === "Done" ? "checkmark" : "lock.fill"
            color: step.status === "Done" ? "white" : palette.placeholderText
        }

        Label {
            anchors.centerIn: parent
            visible: step.status === "Ready"
            text: step.number
            color: "white"
            font.bold: true
        }
    }

    WelcomeDashedConnector {
        objectName: "connector"
        visible: step.showsConnector
        anchors.horizontalCenter: marker.horizontalCenter
        y: marker.y + marker.height + 4
        height: Math.max(0, card.height + step.connectorExtent + marker.y - 4 - y)
        width: 2
    }

    Rectangle {
        id: card

        anchors.left: marker.right
        anchors.leftMargin: 14
        anchors.right: parent.right
        height: cardColumn.implicitHeight + 28
        radius: 10
        color: Qt.rgba(palette.windowText.r, palette.windowText.g, palette.windowText.b, 0.05)
        border.width: 1
        border.color: Qt.rgba(palette.windowText.r, palette.windowText.g, palette.windowText.b, 0.1)

        ColumnLayout {
            id: cardColumn

            anchors.fill: parent
            anchors.margins: 14
            spacing: 8

            RowLayout {
                Layout.fillWidth: true
                spacing: 8

                Label {
                    Layout.fillWidth: true
                    text: step.title
                    font.bold: true
                    font.pointSize: Qt.application.font.pointSize * 1.15
                    elide: Text.ElideRight
                }

                Rectangle {
                    objectName: "statusCapsule"
                    implicitWidth: capsuleLabel.implicitWidth + 20
                    implicitHeight: capsuleLabel.implicitHeight + 10
                    radius: height / 2
                    readonly property color tint: step.status === "Done" ? step.doneColor
                                                  : step.status === "Ready" ? step.readyColor
                                                                            : palette.placeholderText
                    color: Qt.rgba(tint.r, tint.g, tint.b, 0.14)

                    Label {
                        id: capsuleLabel

                        objectName: "statusText"
                        anchors.centerIn: parent
                        text: step.status
                        color: parent.tint
                        font.weight: Font.DemiBold
                        font.pointSize: Qt.application.font.pointSize * 0.85
                    }
                }
            }

            Label {
                Layout.fillWidth: true
                text: step.line
                wrapMode: Text.Wrap
                color: palette.placeholderText
            }

            ColumnLayout {
                id: contentColumn

                Layout.fillWidth: true
                Layout.topMargin: 4
                spacing: 8
            }
        }
    }
}
