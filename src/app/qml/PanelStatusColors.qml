import QtQuick

// The fixed colours of the status roles the model names, readable on light and dark palettes; "secondary"
// is the palette's dimmed text.
QtObject {
    required property color secondary

    readonly property color orange: "#e8860c"
    readonly property color blue: "#2f80ed"
    readonly property color red: "#e5484d"
    readonly property color green: "#2fa84f"

    // The colour of a role name ("secondary", "orange", "blue", "red", "green").
    function colorFor(role) {
        switch (role) {
        case "orange": return orange
        case "blue": return blue
        case "red": return red
        case "green": return green
        default: return secondary
        }
    }
}
