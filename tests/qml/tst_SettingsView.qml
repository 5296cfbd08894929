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

        Component { id: fakesComponent; ModelOnFakes {} }
        Component { id: viewComponent; SettingsView {} }

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
                { tag: "arm delay, old 1s, to the left", row: "armDelayRow", stored: 1, dx: -2000, after: 2 },
                { tag: "arm delay to the right", row: "armDelayRow", dx: 2000, after: 10 },
                { tag: "alarm repeat to the left", row: "alarmRepeatRow", dx: -2000, after: 1 },
                { tag: "alarm repeat to the right", row: "alarmRepeatRow", dx: 2000, after: 10 },
            ]
        }

        function test_slidersClampAndStore(data) {
            const property = data.row === "armDelayRow" ? "armDelaySeconds" : "alarmRepeatIntervalSeconds"
            const s = makeView(data.stored ? "HollerboxApp." + property + "=" + data.stored + "\n" : "")
            const row = child(s.view, data.row)
            compare(child(row, "valueLabel").text, (data.stored ?? 2) + "s")

            dragSlider(row, data.dx)
            compare(s.model[property], data.after)
            compare(child(row, "valueLabel").text, data.after + "s")
            verify(s.fakes.settingsText.includes("HollerboxApp." + property + "=" + data.after), s.fakes.settingsText)
        }

        function test_slidersStep() {
            const s = makeView()
            compare(child(s.view, "armDelayRow").slider.stepSize, 1)
            const slider = child(s.view, "alarmRepeatRow").slider
            mouseClick(slider, slider.leftPadding + slider.availableWidth * 0.6, slider.height / 2)
            const value = s.model.alarmRepeatIntervalSeconds
            compare(value * 2, Math.round(value * 2))
            verify(value > 2 && value < 10 && value !== Math.round(value), value)
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
            const shows = title => {
                for (const level of ["Low", "Medium", "High"])
                    compare(child(s.view, "sensitivity_" + level.toLowerCase()).checked, level === title, level)
                compare(child(s.view, "sensitivityTitle").text, title)
            }
            shows(data.shown)
            compare(child(s.view, "sensitivityDescription").text, data.description)

            mouseClick(child(s.view, "sensitivity_high"))
            compare(s.model.movementThreshold, 0.02)
            shows("High")
            verify(s.fakes.settingsText.includes("HollerboxApp.movementThreshold=0.02"), s.fakes.settingsText)

            mouseClick(child(s.view, "sensitivity_low"))
            compare(s.model.movementThreshold, 0.08)
            shows("Low")
        }

        function test_launchAtLoginFollowsSupport() {
            const without = makeView()
            const message = child(without.view, "launchAtLoginMessage")
            compare(without.model.launchAtLoginSupport, "unavailable")
            compare(child(without.view, "launchAtLoginSwitch").enabled, false)
            verify(message.visible && message.text.length > 0)
            compare(message.text, without.model.launchAtLoginMessage)
            mouseClick(child(without.view, "launchAtLoginSwitch"))
            compare(without.model.launchAtLoginEnabled, false)

            const available = makeView("", true)
            const toggle = child(available.view, "launchAtLoginSwitch")
            compare(available.model.launchAtLoginSupport, "available")
            verify(toggle.enabled && !child(available.view, "launchAtLoginMessage").visible)
            for (const on of [true, false]) {
                mouseClick(toggle)
                compare([available.model.launchAtLoginEnabled, toggle.checked], [on, on])
            }
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
