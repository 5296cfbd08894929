import QtQuick

// One of the application's symbols ("gearshape.fill", …), drawn from its SVG in the colour asked for, as a
// template image is, and sharp at any scale. A name without an icon shows nothing.
Item {
    id: symbol

    property string name
    property color color: palette.windowText
    property real size: 16
    readonly property alias status: image.status

    implicitWidth: size
    implicitHeight: size

    Image {
        id: image
        anchors.fill: parent
        sourceSize: Qt.size(Math.ceil(symbol.size * Screen.devicePixelRatio),
                            Math.ceil(symbol.size * Screen.devicePixelRatio))
        // The colour travels percent-encoded: a bare "#" would start the URL's fragment.
        source: symbol.name.length > 0
                ? "image://symbol/" + symbol.name + "?" + encodeURIComponent(symbol.color.toString()) : ""
        fillMode: Image.PreserveAspectFit
        smooth: true
    }
}
