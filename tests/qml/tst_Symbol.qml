import QtQuick
import QtTest
import Hollerbox.Views

TestCase {
    name: "Symbol"
    when: windowShown

    Component {
        id: symbolComponent
        Symbol {}
    }

    function test_knownAndUnknownNames_data() {
        return [
            { tag: "known", name: "questionmark.square.dashed", status: Image.Ready },
            { tag: "unknown", name: "no.such.symbol", status: Image.Error },
        ]
    }

    function test_knownAndUnknownNames(data) {
        const symbol = createTemporaryObject(symbolComponent, this, { name: data.name, color: "red", size: 24 })
        tryCompare(symbol, "status", data.status)
    }
}
