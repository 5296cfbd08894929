import QtQuick
import QtTest
import Hollerbox.Views
import Hollerbox.Testing

Item {
    id: container
    width: 380
    height: 1000

    TestCase {
        id: testCase
        name: "ContentView"
        when: windowShown

        Component { id: fakesComponent; ModelOnFakes {} }
        Component { id: viewComponent; ContentView {} }
        Component { id: spyComponent; SignalSpy {} }

        // A view, tall enough to show all of its content, on a model past the welcome flow.
        function makeView() {
            const fakes = createTemporaryObject(fakesComponent, testCase)
            fakes.settingsText = "[General]\nHollerboxApp.hasDismissedOnboarding=true\n"
            fakes.start()
            const view = createTemporaryObject(viewComponent, container, { model: fakes.model, height: 1000 })
            waitForRendering(view)
            return { fakes: fakes, view: view, model: fakes.model }
        }

        function child(view, objectName) {
            const found = findChild(view, objectName)
            verify(found, objectName)
            return found
        }

        function test_protectionSwitchAndSubtitle() {
            const s = makeView()
            const toggle = child(s.view, "protectionSwitch")
            const subtitle = child(s.view, "protectionSubtitle")
            compare(subtitle.text, "Ready to yell")
            compare(child(s.view, "headline").text, "Ready to arm")

            mouseClick(toggle)
            compare(s.model.protectionEnabled, false)
            compare(toggle.checked, false)
            compare(subtitle.text, "Off duty")
            compare(child(s.view, "headline").text, "Off duty")
            compare(s.model.menuBarIconName, "MenuIconSleep")
            verify(s.fakes.settingsText.includes("protectionEnabled=false"), s.fakes.settingsText)

            mouseClick(toggle)
            compare(s.model.protectionEnabled, true)
            compare(subtitle.text, "Ready to yell")
        }

        function test_nextMoveRowOnlyWithCountdown() {
            const s = makeView()
            const row = child(s.view, "nextMoveRow")
            compare(row.visible, false)

            s.fakes.setLocked(true)
            s.fakes.advance(250)
            compare(child(s.view, "headline").text, "Lock spotted")
            compare(s.model.state, "pendingArm")
            compare(row.visible, true)
            compare(child(s.view, "countdown").text, s.model.countdownText)
            verify(/^\d+\.\ds$/.test(s.model.countdownText), s.model.countdownText)

            s.fakes.advance(2000)
            compare(s.model.state, "armed")
            compare(row.visible, false)
            compare(child(s.view, "headline").text, "Lock spotted")
        }

        function test_volumeSliderClampsAndWrites_data() {
            return [
                { tag: "left end", dx: -1000, stored: 0.2, text: "20%" },
                { tag: "right end", dx: 1000, stored: 1.0, text: "100%" },
            ]
        }

        function test_volumeSliderClampsAndWrites(data) {
            const s = makeView()
            const slider = child(s.view, "volumeSlider")
            compare(child(s.view, "volumePercentage").text, "65%")

            mouseDrag(slider, slider.handle.x + slider.handle.width / 2, slider.height / 2, data.dx, 0)
            fuzzyCompare(s.model.alarmVolumeScalar, data.stored, 1e-9)
            compare(s.model.alarmVolumePercentageText, data.text)
            compare(child(s.view, "volumePercentage").text, data.text)
            verify(s.fakes.settingsText.includes("HollerboxApp.alarmVolumeScalar=" + data.stored), s.fakes.settingsText)
        }

        function test_volumeSliderSnapsToSteps() {
            const s = makeView()
            const slider = child(s.view, "volumeSlider")
            mouseClick(slider, slider.leftPadding + slider.availableWidth * 0.33, slider.height / 2)
            const steps = (s.model.alarmVolumeScalar - 0.2) / 0.05
            fuzzyCompare(steps, Math.round(steps), 1e-6)
            verify(s.model.alarmVolumeScalar > 0.2 && s.model.alarmVolumeScalar < 0.65, s.model.alarmVolumeScalar)
        }

        function test_testAlarmButtonTogglesPlayback() {
            const s = makeView()
            const button = child(s.view, "testAlarmButton")
            compare(button.text, "Test Alarm")

            mouseClick(button)
            compare(s.model.isTestAlarmPlaying, true)
            compare(button.text, "Stop Test")
            mouseClick(button)
            s.fakes.advance(100)
            compare(s.model.isTestAlarmPlaying, false)
            compare(button.text, "Test Alarm")

            mouseClick(button)
            compare(button.text, "Stop Test")
            s.fakes.advance(10000)
            compare(s.model.isTestAlarmPlaying, false)
            compare(button.text, "Test Alarm")
        }

        function test_tilesAndQuitAskTheShell() {
            const s = makeView()
            const spy = signalName => createTemporaryObject(spyComponent, testCase, { target: s.view, signalName })
            const opened = spy("openWindowRequested")
            const quit = spy("quitRequested")
            const tiles = ["settings", "preferences", "about"]
            for (const identifier of tiles)
                mouseClick(child(s.view, identifier + "Tile"))
            compare(opened.signalArguments.map(args => args[0]), tiles)
            compare(quit.count, 0)
            mouseClick(child(s.view, "quitButton"))
            compare(quit.count, 1)
        }
    }
}
