import QtQuick
import QtTest
import Hollerbox.Views
import Hollerbox.Testing

Item {
    id: container
    width: 520
    height: 1100

    TestCase {
        id: testCase
        name: "SettingsView"
        when: windowShown

        Component {
            id: fakesComponent
            ModelOnFakes {}
        }

        Component {
            id: viewComponent
            SettingsView {}
        }

        readonly property string settingsBase: "[General]\nHollerboxApp.hasDismissedOnboarding=true\n"
                                               + "HollerboxApp.didMigrateMovementThresholdToG=true\n"
                                               + "HollerboxApp.didMigrateFallbackDelayDefault=true\n"

        // A view, tall enough to show all of its content, on a model with these extra stored settings; with
        // `withDesktopEntry` the application's desktop entry exists, so launch at login is available.
        function makeView(extraSettings, withDesktopEntry) {
            const fakes = createTemporaryObject(fakesComponent, testCase)
            fakes.settingsText = settingsBase + (extraSettings ?? "")
            if (withDesktopEntry)
                fakes.makeFile("prefix/share/applications/org.hollerbox.Hollerbox.desktop", 0)
            fakes.start()
            const view = createTemporaryObject(viewComponent, container,
                                               { model: fakes.model, updater: fakes.updater, height: 1100 })
            waitForRendering(view)
            return { fakes: fakes, view: view, model: fakes.model }
        }

        function child(parentItem, objectName) {
            const found = findChild(parentItem, objectName)
            verify(found, objectName)
            return found
        }

        function dragSlider(row, dx) {
            const slider = row.slider
            mouseDrag(slider, slider.handle.x + slider.handle.width / 2, slider.height / 2, dx, 0)
        }

        function test_valueTexts_data() {
            return [
                { tag: "zero", seconds: 0, value: "Off", rangeEnd: "0s" },
                { tag: "negative", seconds: -1, value: "Off", rangeEnd: "-1s" },
                { tag: "whole", seconds: 2, value: "2s", rangeEnd: "2s" },
                { tag: "half", seconds: 1.5, value: "1.5s", rangeEnd: "1.50" },
                { tag: "quarter", seconds: 2.25, value: "2.3s", rangeEnd: "2.25" },
            ]
        }

        function test_valueTexts(data) {
            const row = child(makeView().view, "armDelayRow")
            compare(row.valueText(data.seconds), data.value)
            compare(row.rangeEndText(data.seconds), data.rangeEnd)
        }

        function test_slidersClampAndStore_data() {
            return [
                { tag: "arm delay, old 1s, to the left", row: "armDelayRow", stored: "armDelaySeconds=1",
                  property: "armDelaySeconds", before: "1s", dx: -2000, after: 2, text: "2s" },
                { tag: "arm delay to the right", row: "armDelayRow", stored: "",
                  property: "armDelaySeconds", before: "2s", dx: 2000, after: 10, text: "10s" },
                { tag: "alarm repeat to the left", row: "alarmRepeatRow", stored: "",
                  property: "alarmRepeatIntervalSeconds", before: "2s", dx: -2000, after: 1, text: "1s" },
                { tag: "alarm repeat to the right", row: "alarmRepeatRow", stored: "",
                  property: "alarmRepeatIntervalSeconds", before: "2s", dx: 2000, after: 10, text: "10s" },
            ]
        }

        function test_slidersClampAndStore(data) {
            const s = makeView(data.stored.length > 0 ? "HollerboxApp." + data.stored + "\n" : "")
            const row = child(s.view, data.row)
            compare(child(row, "valueLabel").text, data.before)

            dragSlider(row, data.dx)
            compare(s.model[data.property], data.after)
            compare(child(row, "valueLabel").text, data.text)
            verify(s.fakes.settingsText.includes("HollerboxApp." + data.property + "=" + data.after),
                   s.fakes.settingsText)
        }

        function test_alarmRepeatStepsByHalfSeconds() {
            const s = makeView()
            const slider = child(s.view, "alarmRepeatRow").slider
            compare([slider.from, slider.to, slider.stepSize], [1, 10, 0.5])
            compare(child(s.view, "armDelayRow").slider.stepSize, 1)
            mouseClick(slider, slider.leftPadding + slider.availableWidth * 0.6, slider.height / 2)
            const value = s.model.alarmRepeatIntervalSeconds
            compare(value * 2, Math.round(value * 2))
            verify(value > 2 && value < 10, value)
        }

        function test_sensitivityPicker_data() {
            return [
                { tag: "0.06 reads medium", threshold: 0.06, shown: "Medium",
                  description: "The everyday setting. A good balance between chill and watchful." },
                { tag: "0.03 reads high", threshold: 0.03, shown: "High",
                  description: "Quick to react. Great for drama, but easier to set off." },
                { tag: "0.15 reads low", threshold: 0.15, shown: "Low",
                  description: "Calmer and harder to trigger. Best when you want fewer false alarms." },
            ]
        }

        function test_sensitivityPicker(data) {
            const s = makeView("HollerboxApp.movementThreshold=" + data.threshold + "\n")
            const levels = { Low: "low", Medium: "medium", High: "high" }
            for (const title in levels)
                compare(child(s.view, "sensitivity_" + levels[title]).checked, title === data.shown, title)
            compare(child(s.view, "sensitivityTitle").text, data.shown)
            compare(child(s.view, "sensitivityDescription").text, data.description)

            mouseClick(child(s.view, "sensitivity_high"))
            compare(s.model.movementThreshold, 0.02)
            compare(child(s.view, "sensitivity_high").checked, true)
            compare(child(s.view, "sensitivity_medium").checked, false)
            compare(child(s.view, "sensitivityTitle").text, "High")
            verify(s.fakes.settingsText.includes("HollerboxApp.movementThreshold=0.02"), s.fakes.settingsText)

            mouseClick(child(s.view, "sensitivity_low"))
            compare(s.model.movementThreshold, 0.08)
            compare(child(s.view, "sensitivityTitle").text, "Low")
        }

        function test_launchAtLoginFollowsSupport() {
            const without = makeView()
            const disabledSwitch = child(without.view, "launchAtLoginSwitch")
            compare(without.model.launchAtLoginSupport, "unavailable")
            compare(disabledSwitch.enabled, false)
            const message = child(without.view, "launchAtLoginMessage")
            compare(message.visible, true)
            compare(message.text, without.model.launchAtLoginMessage)
            verify(message.text.length > 0)
            mouseClick(disabledSwitch)
            compare(without.model.launchAtLoginEnabled, false)

            const available = makeView("", true)
            const toggle = child(available.view, "launchAtLoginSwitch")
            compare(available.model.launchAtLoginSupport, "available")
            compare(toggle.enabled, true)
            compare(child(available.view, "launchAtLoginMessage").visible, false)
            mouseClick(toggle)
            compare(available.model.launchAtLoginEnabled, true)
            compare(toggle.checked, true)
            mouseClick(toggle)
            compare(available.model.launchAtLoginEnabled, false)
            compare(toggle.checked, false)
        }

        function test_updateControlsDisabledWithoutUpdater() {
            const s = makeView()
            const toggle = child(s.view, "automaticUpdatesSwitch")
            const button = child(s.view, "checkForUpdatesButton")
            compare(toggle.enabled, false)
            compare(button.enabled, false)
            compare(button.text, "Check for Updates…")
            mouseClick(toggle)
            compare(s.fakes.updater.automaticallyChecksForUpdates, false)
            verify(!s.fakes.settingsText.includes("didChooseAutomaticChecksPreference"), s.fakes.settingsText)
        }
    }
}
