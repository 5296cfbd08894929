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

    BusyIndicator {
        objectName: "checkBusy"
        Layout.preferredWidth: 18
        Layout.preferredHeight: 18
        padding: 0
        visible: row.status === "checking"
        running: visible
    }

    Symbol {
        objectName: "checkSymbol"
        Layout.preferredWidth: 18
        Layout.preferredHeight: 18
        visible: row.status !== "checking"
        size: 18
        name: row.status === "ready" ? "checkmark.circle.fill" : "exclamationmark.triangle.fill"
        color: row.status === "ready" ? row.readyColor : row.status === "warning" ? row.warningColor : row.failureColor
    }

    Label {
        objectName: "checkTitle"
        Layout.fillWidth: true
        text: row.title
        elide: Text.ElideRight
    }
}
