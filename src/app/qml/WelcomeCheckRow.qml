import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// One hardware check: its title, led by a symbol for its status ("checking", "ready", "warning", "unavailable").
RowLayout {
    id: row

    property string title
    property string status
    property color readyColor
    property color warningColor
    property color failureColor

    spacing: 8

    Item {
        Layout.preferredWidth: 18
        Layout.preferredHeight: 18

        BusyIndicator {
            objectName: "checkBusy"
            anchors.fill: parent
            padding: 0
            visible: row.status === "checking"
            running: visible
        }

        Symbol {
            objectName: "checkSymbol"
            anchors.centerIn: parent
            visible: row.status !== "checking"
            size: 16
            name: row.status === "ready" ? "checkmark.circle.fill" : "exclamationmark.triangle.fill"
            color: row.status === "ready" ? row.readyColor
                                          : row.status === "warning" ? row.warningColor : row.failureColor
        }
    }

    Label {
        objectName: "checkTitle"
        Layout.fillWidth: true
        text: row.title
        wrapMode: Text.Wrap
    }
}
