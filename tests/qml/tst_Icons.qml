import QtQuick
import QtTest
import Hollerbox.Views

TestCase {
    name: "Icons"
    // Grabbed tiles must be drawn, and a test case is hidden unless told otherwise.
    visible: true
    width: 48
    height: 48
    when: windowShown

    readonly property var symbolNames: [
        "arrow.clockwise", "arrow.down.circle.fill", "bell.and.waves.left.and.right.fill", "bolt.shield.fill",
        "checkmark", "checkmark.circle.fill", "checkmark.shield.fill", "chevron.down", "chevron.up", "circle",
        "desktopcomputer", "exclamationmark.triangle.fill", "figure.strengthtraining.traditional", "gearshape.fill",
        "hand.raised.fill", "info.circle.fill", "largecircle.fill.circle", "lock.fill", "lock.shield.fill",
        "party.popper.fill", "powerplug.fill", "questionmark.circle.fill", "questionmark.square.dashed",
        "slider.horizontal.3", "speaker.wave.3.fill", "star.fill", "timer", "trash", "waveform.badge.plus",
        "MenuIconArmed", "MenuIconSleep"
    ]

    Component {
        id: tileComponent
        Rectangle {
            property alias symbol: symbol
            width: 24
            height: 24
            color: "white"
            Symbol {
                id: symbol
                size: 24
            }
        }
    }

    function inkOf(tile) {
        const image = grabImage(tile)
        let inked = 0
        let foreign = 0
        for (let x = 0; x < image.width; ++x) {
            for (let y = 0; y < image.height; ++y) {
                const pixel = image.pixel(x, y)
                if (pixel.g < 0.9)
                    ++inked
                if (pixel.r < 0.97 || Math.abs(pixel.g - pixel.b) > 0.03)
                    ++foreign
            }
        }
        return { inked: inked, foreign: foreign }
    }

    function test_symbolIsDrawnInTheColourAsked_data() {
        return symbolNames.map(name => ({ tag: name, name: name }))
    }

    // Red on white: a symbol painted only in its "currentColor" leaves nothing but shades of red.
    function test_symbolIsDrawnInTheColourAsked(data) {
        const tile = createTemporaryObject(tileComponent, this)
        tile.symbol.color = "#ff0000"
        tile.symbol.name = data.name
        tryCompare(tile.symbol, "status", Image.Ready)
        waitForRendering(tile)
        const ink = inkOf(tile)
        verify(ink.inked >= 20, `${data.name} draws ${ink.inked} pixels`)
        compare(ink.foreign, 0, `${data.name} draws in a colour of its own`)
    }

    function test_anUnknownNameIsAnError() {
        const tile = createTemporaryObject(tileComponent, this)
        tile.symbol.name = "no.such.symbol"
        tryCompare(tile.symbol, "status", Image.Error)
    }

    function test_welcomeAppIconIsTheColourApplicationIcon() {
        const tile = createTemporaryObject(tileComponent, this)
        tile.symbol.name = "WelcomeAppIcon"
        tryCompare(tile.symbol, "status", Image.Ready)
        waitForRendering(tile)
        verify(inkOf(tile).foreign > 100)
    }
}
