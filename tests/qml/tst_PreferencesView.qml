import QtQuick
import QtQuick.Controls
import QtTest
import Hollerbox.Views
import Hollerbox.Testing

// The test case itself is never visible, so the views sit in a visible item of the window's size.
Item {
    id: container
    width: 460
    height: 1400

    TestCase {
        id: testCase
        name: "PreferencesView"
        when: windowShown

        Component { id: fakesComponent; ModelOnFakes {} }
        Component { id: viewComponent; PreferencesView {} }

        // A view on a started model with `importCount` imported sounds, the last one selected.
        function makeView(importCount) {
            const fakes = createTemporaryObject(fakesComponent, testCase)
            fakes.start()
            for (let i = 0; i < importCount; ++i)
                compare(fakes.model.importAlarmSoundFile(fakes.makeFile("sound" + (i + 1) + ".wav", 64)), "")
            const view = createTemporaryObject(viewComponent, container,
                                               { model: fakes.model, width: container.width, height: container.height })
            verify(view)
            return { fakes: fakes, view: view }
        }

        function builtInRow(view, index) { return findChild(view, "builtInSoundRows").itemAt(index) }
        function importedRow(view, index) { return findChild(view, "importedSoundRows").itemAt(index) }
        function importedRowCount(view) { return findChild(view, "importedSoundRows").count }

        function armedStates(view) {
            const states = []
            for (let i = 0; i < importedRowCount(view); ++i)
                states.push(importedRow(view, i).deleteButton.armed)
            return states
        }

        function selectedRows(view) {
            const rows = []
            for (let i = 0; i < 3; ++i)
                if (builtInRow(view, i).selected)
                    rows.push("builtIn:" + builtInRow(view, i).soundId)
            for (let j = 0; j < importedRowCount(view); ++j)
                if (importedRow(view, j).selected)
                    rows.push("imported:" + importedRow(view, j).title)
            return rows
        }

        function test_deletePressArmsThenDeletesOnlyThatRow() {
            const t = makeView(3)
            const ids = t.fakes.model.importedAlarmSounds.map(sound => sound.id)

            mouseClick(importedRow(t.view, 0).deleteButton)
            compare(armedStates(t.view), [true, false, false])
            compare(importedRowCount(t.view), 3)

            mouseClick(importedRow(t.view, 1).deleteButton)
            compare(armedStates(t.view), [false, true, false], "arming another row moves the mark")
            compare(importedRowCount(t.view), 3)

            mouseClick(importedRow(t.view, 1).deleteButton)
            compare(t.fakes.model.importedAlarmSounds.map(sound => sound.id), [ids[0], ids[2]])
            compare(armedStates(t.view), [false, false])
            compare(selectedRows(t.view), ["imported:Custom Sound 2"], "the selection follows the renumbering")
            compare(findChild(t.view, "importedSoundsSummary").text, "2/5 custom sounds imported")

            mouseClick(importedRow(t.view, 1).deleteButton)
            mouseClick(importedRow(t.view, 1).deleteButton)
            compare(selectedRows(t.view), ["builtIn:handsOff"], "deleting the selected sound selects the first built-in")
        }

        function rowAt(view, data) {
            return data.builtIn !== undefined ? builtInRow(view, data.builtIn) : importedRow(view, data.imported)
        }

        function test_selectingARowDisarmsSavesAndMarksIt_data() {
            return [
                { tag: "hands off", builtIn: 0, selected: "builtIn:handsOff" },
                { tag: "what are you doing", builtIn: 1, selected: "builtIn:whatAreYouDoing" },
                { tag: "police alarm", builtIn: 2, selected: "builtIn:policeAlarm" },
                { tag: "custom sound 1", imported: 0, selected: "imported:Custom Sound 1" },
                { tag: "armed row itself", imported: 1, selected: "imported:Custom Sound 2" },
            ]
        }

        function test_selectingARowDisarmsSavesAndMarksIt(data) {
            const t = makeView(2)
            compare(selectedRows(t.view), ["imported:Custom Sound 2"])
            mouseClick(importedRow(t.view, 1).deleteButton)
            compare(armedStates(t.view), [false, true])

            mouseClick(rowAt(t.view, data))
            compare(armedStates(t.view), [false, false])
            compare(importedRowCount(t.view), 2)
            compare(selectedRows(t.view), [data.selected])
            const stored = data.selected.slice(data.selected.indexOf(":") + 1)
            verify(t.fakes.settingsText.includes(stored), t.fakes.settingsText)
        }

        function test_previewStops_data() {
            return [{ tag: "on selecting another row", destroy: false }, { tag: "on removing the view", destroy: true }]
        }

        function test_previewStops(data) {
            const t = makeView(1)
            const preview = findChild(t.view, "previewButton")
            compare(preview.text, "Preview Sound")
            mouseClick(preview)
            verify(t.fakes.model.isPreviewPlaying)
            compare(preview.text, "Stop Preview")

            if (data.destroy) {
                t.view.destroy()
                tryVerify(() => !t.fakes.model.isPreviewPlaying)
                return
            }
            mouseClick(builtInRow(t.view, 1))
            verify(!t.fakes.model.isPreviewPlaying)
            compare(preview.text, "Preview Sound")
        }

        function test_importFailureShowsTheAlert_data() {
            return [
                { tag: "unsupported format", existing: 0, name: "notes.txt", bytes: 64,
                  message: "That file format is not supported. Please choose an audio file such as WAV, AIFF, M4A, MP3, or CAF." },
                { tag: "too large", existing: 0, name: "huge.wav", bytes: 10485761,
                  message: "That audio file is too large. Please choose a file smaller than 10 MB." },
                { tag: "sixth sound", existing: 5, name: "more.mp3", bytes: 64,
                  message: "You can keep up to 5 custom alarm sounds. Delete one before importing another." },
            ]
        }

        function test_importFailureShowsTheAlert(data) {
            const t = makeView(data.existing)
            const dialog = findChild(t.view, "importErrorDialog")
            verify(findChild(t.view, "importSoundButton").enabled)

            t.view.importAudioFile("file://" + t.fakes.makeFile(data.name, data.bytes))
            tryVerify(() => dialog.opened)
            compare(dialog.title, "Audio Import Failed")
            compare(findChild(t.view, "importErrorText").text, data.message)
            compare(importedRowCount(t.view), data.existing)

            mouseClick(dialog.standardButton(Dialog.Ok))
            tryVerify(() => !dialog.visible)
            compare(t.view.importErrorMessage, "")
        }

        function test_importSelectsTheNewSoundWithoutAlert() {
            const t = makeView(1)
            t.view.importAudioFile("file://" + t.fakes.makeFile("Alarm.MP3", 64))
            verify(!findChild(t.view, "importErrorDialog").visible)
            compare(importedRowCount(t.view), 2)
            compare(importedRow(t.view, 1).subtitle, "Alarm.MP3")
            compare(selectedRows(t.view), ["imported:Custom Sound 2"])
            compare(findChild(t.view, "importedSoundsSummary").text, "2/5 custom sounds imported")
        }
    }
}
