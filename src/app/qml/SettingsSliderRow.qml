import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A row of the settings window: a title with the stored value in seconds, a slider over a range with its two
// ends labelled, and a description. `moved(value)` carries the new value clamped to the range.
ColumnLayout {
    id: row

    property string title
    property string description
    property real value
    property real from
    property real to
    property real stepSize
    readonly property alias slider: slider

    signal moved(real value)

    function clamped(value) {
        return Math.min(Math.max(value, from), to)
    }

    // "Off" for 0 or less, "2s" for a whole number, "1.5s" otherwise.
    function valueText(seconds) {
        if (seconds <= 0)
            return "Off"
        return Number.isInteger(seconds) ? seconds.toFixed(0) + "s" : seconds.toFixed(1) + "s"
    }

    // "10s" for a whole number, "0.25" otherwise.
    function rangeEndText(seconds) {
        return Number.isInteger(seconds) ? seconds.toFixed(0) + "s" : seconds.toFixed(2)
    }

    spacing: 2

    RowLayout {
        Layout.fillWidth: true
        Label {
            text: row.title
            Layout.fillWidth: true
        }
        Label {
            objectName: "valueLabel"
            text: row.valueText(row.value)
            font.family: "monospace"
        }
    }
    Slider {
        id: slider
        from: row.from
        to: row.to
        stepSize: row.stepSize
        snapMode: Slider.SnapAlways
        value: row.value
        onMoved: row.moved(row.clamped(value))
        // A stored value outside the range (an old arm delay of 1s) is replaced once the slider is touched.
        onPressedChanged: {
            if (!pressed && value !== row.value)
                row.moved(row.clamped(value))
        }
        Accessible.name: row.title
        Layout.fillWidth: true
    }
    RowLayout {
        Layout.fillWidth: true
        Label {
            text: row.rangeEndText(row.from)
            color: palette.placeholderText
            font.pointSize: Math.max(7, row.slider.font.pointSize - 2)
            Layout.fillWidth: true
        }
        Label {
            text: row.rangeEndText(row.to)
            color: palette.placeholderText
            font.pointSize: Math.max(7, row.slider.font.pointSize - 2)
        }
    }
    Label {
        text: row.description
        color: palette.placeholderText
        wrapMode: Text.WordWrap
        Layout.fillWidth: true
        Layout.topMargin: 2
    }
}
