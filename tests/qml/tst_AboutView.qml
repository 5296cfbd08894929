import QtQuick
import QtTest
import Hollerbox.Views

// The test case itself is never visible, so the views sit in a visible item of the window's size.
Item {
    id: container
    width: 520
    height: 2000

    TestCase {
        id: testCase
        name: "AboutView"
        when: windowShown

        Component {
            id: viewComponent
            AboutView {}
        }

        function makeView(properties) {
            const view = createTemporaryObject(viewComponent, container,
                                               Object.assign({ model: null, width: container.width,
                                                               height: container.height }, properties))
            verify(view)
            return view
        }

        function faqRow(view, id) {
            const rows = findChild(view, "faqRows")
            for (let i = 0; i < rows.count; ++i)
                if (rows.itemAt(i).itemId === id)
                    return rows.itemAt(i)
            fail("no FAQ entry " + id)
        }

        function openAnswers(view) {
            const rows = findChild(view, "faqRows")
            const open = []
            for (let i = 0; i < rows.count; ++i)
                if (rows.itemAt(i).answerLabel.visible)
                    open.push(rows.itemAt(i).itemId)
            return open
        }

        function test_faqEntriesExpandIndependently() {
            const view = makeView({})
            compare(findChild(view, "faqRows").count, 5)
            compare(openAnswers(view), [])

            const steps = [
                { click: "battery", open: ["battery"] },
                { click: "mute", open: ["battery", "mute"] },
                { click: "battery", open: ["mute"] },
                { click: "custom-sounds", open: ["mute", "custom-sounds"] },
                { click: "mute", open: ["custom-sounds"] },
            ]
            for (const step of steps) {
                mouseClick(faqRow(view, step.click))
                compare(openAnswers(view), step.open, "after clicking " + step.click)
            }
            compare(faqRow(view, "custom-sounds").answerLabel.text,
                    "Definitely yes. Import your own audio and let your Mac yell exactly the way you want it to. Protective? Dramatic? Slightly unhinged? All valid.")
        }

        function test_versionText_data() {
            return [
                { tag: "known", version: "1.4.2", text: "Version 1.4.2" },
                { tag: "unknown", version: "", text: "Version unavailable" },
            ]
        }

        function test_versionText(data) {
            const view = makeView({ version: data.version })
            compare(findChild(view, "versionText").text, data.text)
        }
    }
}
