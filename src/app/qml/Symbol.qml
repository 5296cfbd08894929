import QtQuick

// One of the application's symbols ("gearshape.fill", …), drawn from its SVG in the colour asked for, as a
// template image is. A name without an icon shows nothing.
Image {
    id: symbol

    property string name
    property color color: palette.windowText
    property real size: 16

    width: size
    height: size
    sourceSize: Qt.size(size * Screen.devicePixelRatio, size * Screen.devicePixelRatio)
    source: name.length > 0 ? "image://symbol/" + name + "?" + color : ""
    fillMode: Image.PreserveAspectFit
    smooth: true
}
