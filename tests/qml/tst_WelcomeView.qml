import QtQuick
import QtTest
import Hollerbox.Testing
import Hollerbox.Views

TestCase {
    id: testCase

    name: "WelcomeView"
    when: windowShown
    width: 500
    height: 620

    Component { id: fakesComponent; ModelOnFakes {} }
    Component { id: viewComponent; WelcomeView {} }
    Component { id: spyComponent; SignalSpy { signalName: "continueRequested" } }

    // Stands for the application's updater: records every write of the automatic switch and every refusal.
    Component {
        id: updaterComponent

        QtObject {
            property string support: "unavailable"
            property var automaticallyChecksForUpdates: undefined
            property bool didChooseAutomaticChecksPreference: false
            property string switchWrites: ""
            property int declines: 0

            onAutomaticallyChecksForUpdatesChanged: {
                if (automaticallyChecksForUpdates !== undefined)
                    switchWrites += automaticallyChecksForUpdates + ";"
            }
            function continueWithoutAutomaticChecks() { declines += 1 }
            function recordAutomaticChecksChoice() { switchWrites += "recorded;" }
        }
    }

    readonly property string onboarded: "[General]\nHollerboxApp.hasDismissedOnboarding=true\n"

    function makeView(options) {
        const fakes = createTemporaryObject(fakesComponent, testCase, {
            platformReady: options.platformReady !== false, sensorAnswers: options.sensorAnswers !== false
        })
        if (options.settingsText)
            fakes.settingsText = options.settingsText
        fakes.start()
        const updater = createTemporaryObject(updaterComponent, testCase, {
            support: options.support || "unavailable",
            didChooseAutomaticChecksPreference: options.updatesChosen === true
        })
        const view = createTemporaryObject(viewComponent, testCase.parent, { model: fakes.model, updater: updater })
        const spy = createTemporaryObject(spyComponent, testCase, { target: view })
        return { fakes: fakes, updater: updater, view: view, spy: spy, model: fakes.model }
    }

    function child(view, name) {
        const item = findChild(view, name)
        verify(item, name)
        return item
    }

    function click(view, name) {
        const button = child(view, name)
        verify(button.visible && button.enabled, name + " is clickable")
        mouseClick(button)
    }

    function stepStatus(view, step) { return child(child(view, step), "statusText").text }

    function test_hardwareStatuses_data() {
        const mac = ["Apple Silicon MacBook detected", "ready"]
        return [
            { tag: "checking", advance: 0, platform: mac, motion: ["Checking motion sensor\u2026", "checking"] },
            { tag: "ready", advance: 500, platform: mac, motion: ["Motion sensor is ready", "ready"],
              liftPrompt: true },
            { tag: "sensor silent", sensorAnswers: false, advance: 4000, platform: mac,
              motion: ["Motion sensor seems unavailable. Try again.", "warning"], retry: true },
            { tag: "platform unsupported", platformReady: false, advance: 500,
              platform: ["MacBook hardware required", "warning"],
              motion: ["Motion sensor support is not confirmed on this Mac", "warning"], retry: true },
        ]
    }

    function test_hardwareStatuses(data) {
        const s = makeView(data)
        if (data.advance > 0)
            s.fakes.advance(data.advance)
        const symbols = { ready: "checkmark.circle.fill", warning: "exclamationmark.triangle.fill" }
        for (const [name, [title, status]] of [["platformCheck", data.platform], ["motionCheck", data.motion]]) {
            const row = child(s.view, name)
            compare(child(row, "checkTitle").text, title, name)
            compare(child(row, "checkBusy").visible, status === "checking", name + " busy")
            compare(child(row, "checkSymbol").visible, status !== "checking", name + " symbol")
            if (status !== "checking")
                compare(child(row, "checkSymbol").name, symbols[status], name + " symbol name")
        }
        compare(child(s.view, "retryButton").visible, data.retry === true)
        compare(child(s.view, "liftPrompt").visible, data.liftPrompt === true)
        compare([stepStatus(s.view, "hardwareStep"), stepStatus(s.view, "updatesStep")], ["Ready", "Pending"])
        if (data.tag === "sensor silent") {
            click(s.view, "retryButton")
            compare(s.model.motionSensorHardwareCheckStatus, "checking")
            compare(child(s.view, "retryButton").visible, false)
        }
    }

    function test_onAppear_data() {
        return [
            { tag: "first run", settingsText: "" },
            { tag: "after onboarding", settingsText: onboarded, onboarded: true },
            { tag: "first run, updates chosen", settingsText: "", updatesChosen: true },
            { tag: "after onboarding, updates chosen", settingsText: onboarded, onboarded: true, updatesChosen: true },
        ]
    }

    function test_onAppear(data) {
        const s = makeView(data)
        const done = data.onboarded === true
        s.fakes.advance(500)
        compare(s.view.didCompleteHardwareCheck, done)
        compare(stepStatus(s.view, "hardwareStep"), done ? "Done" : "Ready")
        compare(stepStatus(s.view, "updatesStep"), data.updatesChosen ? "Done" : done ? "Ready" : "Pending")
        compare(child(s.view, "hardwareButton").text, done ? "Hardware Looks Good" : "Continue")
        compare(s.model.welcomeHardwareAlarmTestActive, !done)
        const completes = done && data.updatesChosen === true
        compare(child(s.view, "completionCard").visible, completes)
        if (completes)
            s.spy.wait(2000)
    }

    function test_completionNeedsBothSteps_data() {
        return [
            { tag: "hardware first", order: ["hardwareButton", "continueWithoutChecksButton"] },
            { tag: "updates first", order: ["continueWithoutChecksButton", "hardwareButton"], timesClose: true },
            { tag: "check automatically", order: ["checkAutomaticallyButton", "hardwareButton"], support: "available",
              switchWrites: "true;" },
            { tag: "don't check", order: ["hardwareButton", "dontCheckButton"], support: "available", switchWrites: "",
              declines: 1 },
        ]
    }

    function test_completionNeedsBothSteps(data) {
        const s = makeView(data)
        s.fakes.advance(500)
        verify(s.model.welcomeHardwareAlarmTestActive)

        click(s.view, data.order[0])
        compare(stepStatus(s.view, data.order[0] === "hardwareButton" ? "hardwareStep" : "updatesStep"), "Done")
        verify(s.model.showsOnboarding)
        verify(!child(s.view, "completionCard").visible)
        verify(!s.fakes.settingsText.includes("hasDismissedOnboarding"))

        click(s.view, data.order[1])
        compare([stepStatus(s.view, "hardwareStep"), stepStatus(s.view, "updatesStep")], ["Done", "Done"])
        verify(!s.model.welcomeHardwareAlarmTestActive)
        verify(!s.model.showsOnboarding)
        verify(s.fakes.settingsText.includes("HollerboxApp.hasDismissedOnboarding=true"))
        verify(child(s.view, "completionCard").visible)
        compare(s.updater.switchWrites, data.switchWrites ?? "recorded;")
        compare(s.updater.declines, data.declines || 0)
        if (data.timesClose) {
            const completedAt = Date.now()
            wait(1200)
            compare(s.spy.count, 0)
            s.spy.wait(1000)
            verify(Date.now() - completedAt >= 1400, "closed after " + (Date.now() - completedAt) + " ms")
        }
    }
}
