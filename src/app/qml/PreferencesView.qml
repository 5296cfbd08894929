import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts
import QtQuick.Window

// The alarm sound window: choose a built-in or imported sound, preview it, import and delete sound files.
Item {
    id: root

    required property var model

    signal openWindowRequested(string identifier)
    signal quitRequested()

    // The imported sound whose delete button is armed, or "".
    property string pendingDeletionSoundID: ""
    // The text of the import failure on show, or "".
    property string importErrorMessage: ""
    readonly property bool isImportingAudio: fileDialog.visible
    readonly property int alarmSoundRowMinHeight: 48

    readonly property color accentColor: palette.highlight
    readonly property color secondaryColor: palette.placeholderText
    readonly property real basePointSize: Qt.application.font.pointSize

    implicitWidth: 460
    implicitHeight: 340

    function stopPreview() {
        if (model && model.isPreviewPlaying)
            model.togglePreview()
    }

    function selectBuiltInSound(id) {
        stopPreview()
        pendingDeletionSoundID = ""
        model.selectBuiltInAlarmSound(id)
    }

    function selectImportedSound(id) {
        stopPreview()
        model.selectImportedAlarmSound(id)
        pendingDeletionSoundID = ""
    }

    function pressDelete(id) {
        stopPreview()
        if (pendingDeletionSoundID === id) {
            model.deleteImportedAlarmSoundWithId(id)
            pendingDeletionSoundID = ""
        } else {
            pendingDeletionSoundID = id
        }
    }

    function chooseAudioFile() {
        stopPreview()
        fileDialog.open()
    }

    // Imports the file at this URL or path and shows the failure, if any, in the alert.
    function importAudioFile(url) {
        const error = model.importAlarmSoundFile(url)
        if (error.length > 0) {
            importErrorMessage = error
            importErrorDialog.open()
        }
    }

    Component.onDestruction: stopPreview()
    Window.onVisibilityChanged: {
        if (Window.visibility === Window.Hidden)
            stopPreview()
    }

    component Card: Rectangle {
        id: card
        default property alias content: cardColumn.data
        property string title
        property string symbol

        Layout.fillWidth: true
        implicitHeight: cardColumn.implicitHeight + 36
        radius: 14
        color: palette.base
        border.color: Qt.rgba(palette.windowText.r, palette.windowText.g, palette.windowText.b, 0.08)

        ColumnLayout {
            id: cardColumn
            anchors.fill: parent
            anchors.margins: 18
            spacing: 10

            RowLayout {
                spacing: 8
                Symbol {
                    name: card.symbol
                    color: palette.highlight
                    size: 16
                }
                Label {
                    text: card.title
                    font.bold: true
                    font.pointSize: Qt.application.font.pointSize * 1.1
                }
            }
        }
    }

    component SecondaryText: Label {
        property real scale: 0.9
        Layout.fillWidth: true
        wrapMode: Text.WordWrap
        color: palette.placeholderText
        font.pointSize: Qt.application.font.pointSize * scale
    }

    component SoundRow: AbstractButton {
        id: row
        property string title
        property string subtitle
        property bool selected
        property real minimumHeight
        default property alias trailing: trailingRow.data

        Layout.fillWidth: true
        implicitHeight: Math.max(minimumHeight, implicitContentHeight + topPadding + bottomPadding)
        leftPadding: 12
        rightPadding: 8
        topPadding: 8
        bottomPadding: 8
        Accessible.name: title
        Accessible.role: Accessible.RadioButton
        Accessible.checked: selected

        background: Rectangle {
            radius: 14
            color: row.selected ? Qt.rgba(palette.highlight.r, palette.highlight.g, palette.highlight.b, 0.1)
                                : palette.window
        }

        contentItem: RowLayout {
            spacing: 10

            Symbol {
                name: row.selected ? "largecircle.fill.circle" : "circle"
                color: row.selected ? palette.highlight : palette.placeholderText
                size: 18
            }
            ColumnLayout {
                Layout.fillWidth: true
                spacing: 2
                Label {
                    Layout.fillWidth: true
                    text: row.title
                    font.bold: true
                    elide: Text.ElideRight
                }
                SecondaryText {
                    text: row.subtitle
                    scale: 0.85
                    wrapMode: Text.NoWrap
                    elide: Text.ElideMiddle
                }
            }
            RowLayout {
                id: trailingRow
            }
        }
    }

    component DeleteButton: AbstractButton {
        id: deleteButton
        property bool armed

        implicitWidth: armed ? 72 : 36
        implicitHeight: 36
        Accessible.name: armed ? "Delete" : "Delete sound"

        background: Rectangle {
            radius: 10
            color: deleteButton.armed ? Qt.rgba(0.898, 0.282, 0.302, 0.16)
                                      : Qt.rgba(palette.windowText.r, palette.windowText.g, palette.windowText.b,
                                                deleteButton.down ? 0.2 : 0.12)
        }
        contentItem: Item {
            Symbol {
                anchors.centerIn: parent
                visible: !deleteButton.armed
                name: "trash"
                color: palette.placeholderText
                size: 14
            }
            Label {
                anchors.centerIn: parent
                visible: deleteButton.armed
                text: "Delete"
                color: "#e5484d"
                font.bold: true
                font.pointSize: Qt.application.font.pointSize * 0.92
            }
        }
    }

    Rectangle {
        anchors.fill: parent
        color: palette.window
    }

    ScrollView {
        id: scrollView
        anchors.fill: parent
        contentWidth: availableWidth
        clip: true
        // Fusion shows an as-needed bar only while scrolling; this one stays while there is more to see. It
        // sits in the cards' right margin.
        ScrollBar.vertical.policy: contentHeight > height ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff
        ScrollBar.horizontal.policy: ScrollBar.AlwaysOff

        ColumnLayout {
            width: scrollView.availableWidth
            spacing: 16

            Item {
                Layout.preferredHeight: 4
            }

            Rectangle {
                id: headerCard
                Layout.fillWidth: true
                Layout.leftMargin: 20
                Layout.rightMargin: 20
                implicitHeight: headerColumn.implicitHeight + 36
                radius: 14
                color: "transparent"

                Canvas {
                    anchors.fill: parent
                    onWidthChanged: requestPaint()
                    onHeightChanged: requestPaint()
                    onPaint: {
                        const context = getContext("2d")
                        context.reset()
                        const gradient = context.createLinearGradient(0, 0, width, height)
                        gradient.addColorStop(0, Qt.rgba(1.0, 0.584, 0.0, 0.16))
                        gradient.addColorStop(1, Qt.rgba(1.0, 0.176, 0.333, 0.10))
                        context.fillStyle = gradient
                        context.roundedRect(0, 0, width, height, headerCard.radius, headerCard.radius)
                        context.fill()
                    }
                }

                ColumnLayout {
                    id: headerColumn
                    anchors.fill: parent
                    anchors.margins: 18
                    spacing: 6
                    Label {
                        text: "Preferences"
                        font.bold: true
                        font.pointSize: root.basePointSize * 1.6
                    }
                    SecondaryText {
                        text: "Pick the sound your Mac should unleash when somebody tries to pick it up and walk away with it."
                        scale: 1
                    }
                }
            }

            Card {
                Layout.leftMargin: 20
                Layout.rightMargin: 20
                title: "Alarm Sound"
                symbol: "speaker.wave.3.fill"

                Repeater {
                    objectName: "builtInSoundRows"
                    model: root.model.builtInAlarmSounds
                    delegate: SoundRow {
                        required property var modelData
                        minimumHeight: root.alarmSoundRowMinHeight
                        readonly property string soundId: modelData.id
                        title: modelData.title
                        subtitle: modelData.description
                        selected: root.model.alarmSoundSelection.kind === "builtIn"
                                  && root.model.alarmSoundSelection.builtIn === soundId
                        onClicked: root.selectBuiltInSound(soundId)
                    }
                }
            }

            Card {
                Layout.leftMargin: 20
                Layout.rightMargin: 20
                title: "Custom Audio"
                symbol: "waveform.badge.plus"

                SecondaryText {
                    text: "Bring your own chaos. Import a sound file and make the alarm feel a lot more personal."
                }
                SecondaryText {
                    text: "Supported formats: WAV, AIFF, AIF, M4A, MP3, CAF"
                }
                SecondaryText {
                    text: "Maximum file size: 10 MB"
                    scale: 0.85
                }
                SecondaryText {
                    text: "You can keep up to 5 custom sounds."
                    scale: 0.85
                }
                Button {
                    Accessible.onPressAction: clicked()
                    objectName: "importSoundButton"
                    text: "Import Sound"
                    leftPadding: 14
                    rightPadding: 14
                    onClicked: root.chooseAudioFile()

                    background: Rectangle {
                        implicitHeight: 30
                        radius: 8
                        color: parent.down ? Qt.darker(root.accentColor, 1.2) : root.accentColor
                    }
                    contentItem: Label {
                        text: parent.text
                        color: root.palette.highlightedText
                        font.bold: true
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                    }
                }
                SecondaryText {
                    objectName: "importedSoundsSummary"
                    text: root.model.importedAlarmSoundsSummary
                }

                Repeater {
                    objectName: "importedSoundRows"
                    model: root.model.importedAlarmSounds
                    delegate: SoundRow {
                        required property var modelData
                        minimumHeight: root.alarmSoundRowMinHeight
                        readonly property string soundId: modelData.id
                        readonly property alias deleteButton: rowDeleteButton
                        title: modelData.displayName
                        subtitle: modelData.fileName
                        selected: root.model.alarmSoundSelection.kind === "customFile"
                                  && root.model.alarmSoundSelection.path === modelData.path
                        onClicked: root.selectImportedSound(soundId)

                        DeleteButton {
                            id: rowDeleteButton
                            armed: root.pendingDeletionSoundID === soundId
                            onClicked: root.pressDelete(soundId)
                        }
                    }
                }
            }

            Button {
                Accessible.onPressAction: clicked()
                objectName: "previewButton"
                Layout.leftMargin: 20
                text: root.model.isPreviewPlaying ? "Stop Preview" : "Preview Sound"
                onClicked: root.model.togglePreview()
            }

            Item {
                Layout.preferredHeight: 4
            }
        }
    }

    FileDialog {
        id: fileDialog
        title: "Import Sound"
        fileMode: FileDialog.OpenFile
        nameFilters: ["Audio files (*.wav *.aiff *.aif *.m4a *.mp3 *.caf *.WAV *.AIFF *.AIF *.M4A *.MP3 *.CAF)"]
        onAccepted: root.importAudioFile(selectedFile)
    }

    Dialog {
        id: importErrorDialog
        objectName: "importErrorDialog"
        title: "Audio Import Failed"
        modal: true
        anchors.centerIn: parent
        width: Math.min(root.width - 40, 380)
        standardButtons: Dialog.Ok
        onClosed: root.importErrorMessage = ""

        Label {
            objectName: "importErrorText"
            width: parent.width
            wrapMode: Text.WordWrap
            text: root.importErrorMessage
        }
    }
}
