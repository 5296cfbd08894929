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

    Component {
        id: fakesComponent

        ModelOnFakes {}
    }

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
            function continueWithoutAutomaticChecks() {
                declines += 1
            }
            function recordAutomaticChecksChoice() {
                switchWrites += "recorded;"
            }
        }
    }

    Component {
        id: viewComponent

        WelcomeView {}
    }

    Component {
        id: spyComponent

        SignalSpy {
            signalName: "continueRequested"
        }
    }

    function makeView(options) {
        const fakes = createTemporaryObject(fakesComponent, testCase)
        fakes.platformReady = options.platformReady !== false
        fakes.sensorAnswers = options.sensorAnswers !== false
        if (options.settingsText)
            fakes.settingsText = options.settingsText
        fakes.start()
        const updater = createTemporaryObject(updaterComponent, testCase, {
            support: options.support || "unavailable",
            didChooseAutomaticChecksPreference: options.updatesChosen === true
        })
        const view = createTemporaryObject(viewComponent, testCase.parent, { model: fakes.model, updater: updater })
        const spy = createTemporaryObject(spyComponent, testCase, { target: view })
        return { fakes: fakes, updater: updater, view: view, spy: spy }
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

    function stepStatus(view, step) {
        return child(child(view, step), "statusText").text
    }

    function test_hardwareStatuses_data() {
        return [
            { tag: "checking", platformReady: true, sensorAnswers: true, advance: 0,
              platform: ["Apple Silicon MacBook detected", "ready"], motion: ["Checking motion sensor\u2026", "checking"],
              retry: false, liftPrompt: false },
            { tag: "ready", platformReady: true, sensorAnswers: true, advance: 500,
              platform: ["Apple Silicon MacBook detected", "ready"], motion: ["Motion sensor is ready", "ready"],
              retry: false, liftPrompt: true },
            { tag: "sensor silent", platformReady: true, sensorAnswers: false, advance: 4000,
              platform: ["Apple Silicon MacBook detected", "ready"],
              motion: ["Motion sensor seems unavailable. Try again.", "warning"], retry: true, liftPrompt: false },
            { tag: "platform unsupported", platformReady: false, sensorAnswers: true, advance: 500,
              platform: ["MacBook hardware required", "warning"],
              motion: ["Motion sensor support is not confirmed on this Mac", "warning"], retry: true, liftPrompt: false },
        ]
    }

    function test_hardwareStatuses(data) {
        const setup = makeView(data)
        if (data.advance > 0)
            setup.fakes.advance(data.advance)
        const symbols = { ready: "checkmark.circle.fill", warning: "exclamationmark.triangle.fill" }
        const rows = [["platformCheck", data.platform], ["motionCheck", data.motion]]
        for (const [name, expected] of rows) {
            const row = child(setup.view, name)
            compare(child(row, "checkTitle").text, expected[0], name)
            compare(child(row, "checkBusy").visible, expected[1] === "checking", name + " busy")
            compare(child(row, "checkSymbol").visible, expected[1] !== "checking", name + " symbol")
            if (expected[1] !== "checking")
                compare(child(row, "checkSymbol").name, symbols[expected[1]], name + " symbol name")
        }
        compare(child(setup.view, "retryButton").visible, data.retry)
        compare(child(setup.view, "liftPrompt").visible, data.liftPrompt)
        compare(stepStatus(setup.view, "hardwareStep"), "Ready")
        compare(stepStatus(setup.view, "updatesStep"), "Pending")
    }

    function test_retryRunsTheChecksAgain() {
        const setup = makeView({ sensorAnswers: false })
        setup.fakes.advance(4000)
        compare(setup.fakes.model.motionSensorHardwareCheckStatus, "warning")
        click(setup.view, "retryButton")
        compare(setup.fakes.model.motionSensorHardwareCheckStatus, "checking")
        compare(child(setup.view, "retryButton").visible, false)
    }

    function test_onAppear_data() {
        return [
            { tag: "first run", settingsText: "", hardwareDone: false, testRuns: true, button: "Continue" },
            { tag: "after onboarding", settingsText: "[General]\nHollerboxApp.hasDismissedOnboarding=true\n",
              hardwareDone: true, testRuns: false, button: "Hardware Looks Good" },
            { tag: "first run, updates chosen", settingsText: "", updatesChosen: true, hardwareDone: false,
              testRuns: true, button: "Continue" },
            { tag: "after onboarding, updates chosen",
              settingsText: "[General]\nHollerboxApp.hasDismissedOnboarding=true\n", updatesChosen: true,
              hardwareDone: true, testRuns: false, button: "Hardware Looks Good", completes: true },
        ]
    }

    function test_onAppear(data) {
        const setup = makeView(data)
        setup.fakes.advance(500)
        compare(setup.view.didCompleteHardwareCheck, data.hardwareDone)
        compare(stepStatus(setup.view, "hardwareStep"), data.hardwareDone ? "Done" : "Ready")
        compare(stepStatus(setup.view, "updatesStep"),
                data.updatesChosen ? "Done" : data.hardwareDone ? "Ready" : "Pending")
        compare(child(setup.view, "hardwareButton").text, data.button)
        compare(setup.fakes.model.welcomeHardwareAlarmTestActive, data.testRuns)
        compare(child(setup.view, "completionCard").visible, data.completes === true)
        if (data.completes)
            setup.spy.wait(2000)
    }

    function test_completionNeedsBothSteps_data() {
        return [
            { tag: "hardware first", order: ["hardwareButton", "continueWithoutChecksButton"], support: "unavailable" },
            { tag: "updates first", order: ["continueWithoutChecksButton", "hardwareButton"], support: "unavailable" },
            { tag: "check automatically", order: ["checkAutomaticallyButton", "hardwareButton"], support: "available",
              switchWrites: "true;", declines: 0 },
            { tag: "don't check", order: ["hardwareButton", "dontCheckButton"], support: "available",
              switchWrites: "", declines: 1 },
        ]
    }

    function test_completionNeedsBothSteps(data) {
        const setup = makeView(data)
        setup.fakes.advance(500)
        verify(setup.fakes.model.welcomeHardwareAlarmTestActive)

        click(setup.view, data.order[0])
        const firstStep = data.order[0] === "hardwareButton" ? "hardwareStep" : "updatesStep"
        compare(stepStatus(setup.view, firstStep), "Done")
        verify(setup.fakes.model.showsOnboarding)
        verify(!child(setup.view, "completionCard").visible)
        verify(setup.fakes.settingsText.indexOf("hasDismissedOnboarding") < 0)

        click(setup.view, data.order[1])
        compare(stepStatus(setup.view, "hardwareStep"), "Done")
        compare(stepStatus(setup.view, "updatesStep"), "Done")
        verify(!setup.fakes.model.welcomeHardwareAlarmTestActive)
        verify(!setup.fakes.model.showsOnboarding)
        verify(setup.fakes.settingsText.indexOf("HollerboxApp.hasDismissedOnboarding=true") >= 0)
        verify(child(setup.view, "completionCard").visible)
        compare(setup.updater.switchWrites, data.switchWrites !== undefined ? data.switchWrites : "recorded;")
        compare(setup.updater.declines, data.declines || 0)
    }

    function test_closesPointFourSecondsAfterCompletion() {
        const setup = makeView({})
        click(setup.view, "continueWithoutChecksButton")
        click(setup.view, "hardwareButton")
        const completedAt = Date.now()
        wait(1200)
        compare(setup.spy.count, 0)
        setup.spy.wait(1000)
        verify(Date.now() - completedAt >= 1400, "closed after " + (Date.now() - completedAt) + " ms")
    }
}
