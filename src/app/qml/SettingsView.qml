import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The settings window: the arm delay, alarm repeat and sensitivity of protection, launch at login, and
// update checks.
Item {
    id: root

    required property var model
    required property var updater

    signal openWindowRequested(string identifier)
    signal quitRequested()

    readonly property color secondaryTextColor: palette.placeholderText
    // The model's level is always one of its listed levels.
    readonly property var currentSensitivity: model.sensitivityLevels.find(level => level.rawValue
                                                                                    === model.sensitivityLevel)

    implicitWidth: 520
    implicitHeight: 460

    ScrollView {
        id: scroll
        anchors.fill: parent
        contentWidth: availableWidth
        // Fusion shows an as-needed bar only while scrolling; this one stays while there is more to see. It
        // sits in the content's right margin.
        ScrollBar.vertical.policy: contentHeight > height ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff
        ScrollBar.horizontal.policy: ScrollBar.AlwaysOff

        ColumnLayout {
            x: 22
            width: scroll.availableWidth - 44
            spacing: 18

            Item {
                implicitHeight: 4
            }

            ColumnLayout {
                spacing: 6
                Layout.fillWidth: true
                Label {
                    text: "Settings"
                    font.pointSize: Qt.application.font.pointSize + 8
                    font.weight: Font.DemiBold
                }
                Label {
                    text: "Choose how quickly protection arms, how sensitive it feels, and how often the alarm comes back once it starts."
                    wrapMode: Text.WordWrap
                    Layout.fillWidth: true
                }
            }

            SettingsSection {
                title: "Protection"
                symbolName: "lock.shield.fill"
                Layout.fillWidth: true

                SettingsSliderRow {
                    objectName: "armDelayRow"
                    title: "Arm delay"
                    description: "How long Hollerbox waits after lock before it goes on guard."
                    from: 2
                    to: 10
                    stepSize: 1
                    value: root.model.armDelaySeconds
                    onMoved: value => root.model.armDelaySeconds = value
                    Layout.fillWidth: true
                }

                SettingsSliderRow {
                    objectName: "alarmRepeatRow"
                    title: "Alarm repeat"
                    description: "How often your chosen sound comes back for another round once the alarm starts."
                    from: 1
                    to: 10
                    stepSize: 0.5
                    value: root.model.alarmRepeatIntervalSeconds
                    onMoved: value => root.model.alarmRepeatIntervalSeconds = value
                    Layout.fillWidth: true
                }

                ColumnLayout {
                    spacing: 6
                    Layout.fillWidth: true
                    RowLayout {
                        Layout.fillWidth: true
                        Label {
                            text: "Sensitivity"
                            Layout.fillWidth: true
                        }
                        Label {
                            objectName: "sensitivityTitle"
                            text: root.currentSensitivity.title
                            font.family: "monospace"
                        }
                    }
                    RowLayout {
                        spacing: 0
                        Layout.fillWidth: true
                        Repeater {
                            model: root.model.sensitivityLevels
                            delegate: Button {
                                required property var modelData
                                objectName: "sensitivity_" + modelData.rawValue
                                text: modelData.title
                                checked: root.model.sensitivityLevel === modelData.rawValue
                                palette.button: checked ? root.palette.highlight : root.palette.button
                                palette.buttonText: checked ? root.palette.highlightedText : root.palette.buttonText
                                onClicked: root.model.sensitivityLevel = modelData.rawValue
                                Layout.fillWidth: true
                                Layout.preferredWidth: 1
                            }
                        }
                    }
                    Label {
                        objectName: "sensitivityDescription"
                        text: root.currentSensitivity.description
                        color: root.secondaryTextColor
                        wrapMode: Text.WordWrap
                        Layout.fillWidth: true
                    }
                }
            }

            SettingsSection {
                title: "Launch"
                symbolName: "powerplug.fill"
                Layout.fillWidth: true

                ColumnLayout {
                    spacing: 6
                    Layout.fillWidth: true
                    Switch {
                        Accessible.onToggleAction: { toggle(); toggled() }
                        objectName: "launchAtLoginSwitch"
                        text: "Launch at login"
                        checked: root.model.launchAtLoginEnabled
                        enabled: root.model.launchAtLoginSupport !== "unavailable"
                        onToggled: root.model.setLaunchAtLoginEnabled(checked)
                    }
                    Label {
                        text: "Launch Hollerbox automatically when you log in, so the tiny bodyguard is already on shift before you even grab coffee."
                        color: root.secondaryTextColor
                        wrapMode: Text.WordWrap
                        Layout.fillWidth: true
                    }
                    Label {
                        objectName: "launchAtLoginMessage"
                        visible: root.model.launchAtLoginSupport === "unavailable" && text.length > 0
                        text: root.model.launchAtLoginMessage
                        color: root.secondaryTextColor
                        font.italic: true
                        wrapMode: Text.WordWrap
                        Layout.fillWidth: true
                    }
                }
            }

            SettingsSection {
                title: "Updates"
                symbolName: "arrow.down.circle.fill"
                Layout.fillWidth: true

                ColumnLayout {
                    spacing: 6
                    Layout.fillWidth: true
                    Switch {
                        Accessible.onToggleAction: { toggle(); toggled() }
                        objectName: "automaticUpdatesSwitch"
                        text: "Check for updates automatically"
                        checked: root.updater.automaticallyChecksForUpdates
                        enabled: root.updater.support === "available"
                        onToggled: root.updater.automaticallyChecksForUpdates = checked
                    }
                    Label {
                        text: "Hollerbox can quietly look for fresh builds in the background, or you can keep things manual and check whenever you feel like it."
                        color: root.secondaryTextColor
                        wrapMode: Text.WordWrap
                        Layout.fillWidth: true
                    }
                    Button {
                        Accessible.onPressAction: clicked()
                        objectName: "checkForUpdatesButton"
                        text: "Check for Updates…"
                        enabled: root.updater.canCheckForUpdates
                        onClicked: root.updater.checkForUpdates()
                    }
                }
            }

            Item {
                implicitHeight: 4
            }
        }
    }
}
