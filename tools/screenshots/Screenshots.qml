import QtQuick
import QtQuick.Controls
import Hollerbox.Testing
import Hollerbox.Views

// The scenes of the README's screenshots, shot one after another: each builds a model on fakes, shows a view
// in a window of the view's own size (or tall enough for all of its content), brings it into the state to show,
// scrolls to what it shows, and hands the window to `shots`.
QtObject {
    id: root

    readonly property string onboarded: "[General]\nHollerboxApp.hasDismissedOnboarding=true\n"
    readonly property string desktopEntry: "prefix/share/applications/org.hollerbox.Hollerbox.desktop"

    readonly property var scenes: [
        { name: "panel-on", view: panelView, settings: onboarded },
        { name: "panel-off", view: panelView, settings: onboarded,
          prepare: s => s.model.protectionEnabled = false },
        { name: "panel-alarm", view: panelView, settings: onboarded,
          prepare: s => { s.fakes.setLocked(true); s.model.triggerAlarmNow(); s.fakes.advance(250) } },
        { name: "panel-dark", view: panelView, settings: onboarded, dark: true },
        { name: "settings", view: settingsView, settings: onboarded, files: [desktopEntry], wholeContent: true },
        { name: "preferences", view: preferencesView, settings: onboarded, wholeContent: true, prepare: s => {
            for (const file of ["airhorn.wav", "villain-laugh.mp3"])
                s.model.importAlarmSoundFile(s.fakes.makeFile(file, 64))
            shots.find(s.view, "importedSoundRows").itemAt(0).deleteButton.clicked()
        } },
        { name: "welcome-checking", view: welcomeView },
        { name: "welcome-ready", view: welcomeView, prepare: s => s.fakes.advance(500) },
        { name: "welcome-warning", view: welcomeView, sensorAnswers: false, prepare: s => s.fakes.advance(4000) },
        { name: "welcome-updates", view: welcomeView, prepare: s => {
            s.fakes.advance(500)
            shots.find(s.view, "hardwareButton").clicked()
        } },
        { name: "welcome-complete", view: welcomeView, prepare: s => {
            s.fakes.advance(500)
            shots.find(s.view, "hardwareButton").clicked()
            shots.find(s.view, "continueWithoutChecksButton").clicked()
        }, reveal: s => shots.find(s.view, "completionCard") },
        { name: "about", view: aboutView, settings: onboarded,
          prepare: s => shots.find(s.view, "faqRows").itemAt(2).clicked(),
          reveal: s => shots.find(s.view, "faqRows").itemAt(2) },
    ]

    property int nextScene: 0
    property var current: null
    // What happens when `settle` next fires; each step leaves the scene graph a moment to lay out.
    property var afterSettling: null

    property Component panelView: Component { ContentView {} }
    property Component settingsView: Component { SettingsView {} }
    property Component preferencesView: Component { PreferencesView {} }
    property Component welcomeView: Component { WelcomeView {} }
    property Component aboutView: Component { AboutView { version: applicationVersion } }
    property Component fakesComponent: Component { ModelOnFakes {} }

    property Component lightWindow: Component {
        ApplicationWindow {}
    }

    // A dark palette in the manner of a dark desktop theme.
    property Component darkWindow: Component {
        ApplicationWindow {
            palette.window: "#202326"
            palette.windowText: "#fcfcfc"
            palette.base: "#141618"
            palette.alternateBase: "#1d1f22"
            palette.text: "#fcfcfc"
            palette.button: "#292c30"
            palette.buttonText: "#fcfcfc"
            palette.brightText: "#ffffff"
            palette.highlight: "#3daee9"
            palette.highlightedText: "#fcfcfc"
            palette.placeholderText: "#a1a9b1"
            palette.light: "#40464c"
            palette.midlight: "#33383d"
            palette.mid: "#3b4045"
            palette.dark: "#101214"
            palette.shadow: "#000000"
            palette.link: "#1d99f3"
            palette.toolTipBase: "#292c30"
            palette.toolTipText: "#fcfcfc"
            palette.disabled.windowText: "#6e7175"
            palette.disabled.text: "#6e7175"
            palette.disabled.buttonText: "#6e7175"
        }
    }

    property Timer settle: Timer {
        interval: 250
        onTriggered: root.afterSettling()
    }

    function then(step) {
        afterSettling = step
        settle.start()
    }

    function startNext() {
        while (nextScene < scenes.length && !shots.wanted(scenes[nextScene].name))
            ++nextScene
        if (nextScene >= scenes.length) {
            shots.finish()
            return
        }
        const scene = scenes[nextScene++]
        const fakes = fakesComponent.createObject(null, {
            platformReady: scene.platformReady !== false,
            sensorAnswers: scene.sensorAnswers !== false
        })
        if (scene.settings)
            fakes.settingsText = scene.settings
        for (const file of scene.files || [])
            fakes.makeFile(file, 64)
        fakes.start()

        const window = (scene.dark ? darkWindow : lightWindow).createObject(null, { visible: true })
        const properties = { model: fakes.model }
        if (scene.view === settingsView || scene.view === welcomeView)
            properties.updater = fakes.updater
        const view = scene.view.createObject(window.contentItem, properties)
        window.width = view.implicitWidth
        window.height = view.implicitHeight
        view.anchors.fill = window.contentItem
        current = { scene: scene, fakes: fakes, window: window, view: view, model: fakes.model }
        if (scene.prepare)
            scene.prepare(current)
        then(reveal)
    }

    // Grows the window to its whole content where the scene asks for it, and scrolls to what it shows.
    function reveal() {
        if (current.scene.wholeContent)
            current.window.height += shots.hiddenContentHeight(current.view)
        if (current.scene.reveal)
            then(() => { shots.scrollIntoView(current.scene.reveal(current)); then(shoot) })
        else
            then(shoot)
    }

    function shoot() {
        shots.save(current.window, current.scene.name)
        current.window.visible = false
        current.window.destroy()
        then(() => {
            current.fakes.destroy()
            current = null
            startNext()
        })
    }

    Component.onCompleted: startNext()
}
