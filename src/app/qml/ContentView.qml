import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The tray panel: what protection is doing now, the protection switch, the alarm volume with its test, and the
// way to the other windows.
Item {
    id: root

    required property var model

    signal openWindowRequested(string identifier)
    signal quitRequested()

    readonly property color secondaryTextColor: palette.placeholderText
    readonly property string protectionSymbolName: root.model.protectionEnabled ? "bolt.shield.fill"
                                                                                 : "slider.horizontal.3"
    readonly property real footnotePointSize: Math.max(7, Qt.application.font.pointSize - 2)

    implicitWidth: 380
    implicitHeight: 520

    PanelStatusColors {
        id: statusColors
        secondary: root.secondaryTextColor
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 16
        spacing: 14

        PanelCard {
            Layout.fillWidth: true

            RowLayout {
                anchors.fill: parent
                spacing: 12

                ColumnLayout {
                    spacing: 2
                    Layout.fillWidth: true
                    Label {
                        text: "Hollerbox"
                        font.pointSize: Qt.application.font.pointSize + 6
                        font.weight: Font.Bold
                    }
                    Label {
                        text: "Tiny bodyguard. Big mouth."
                        color: root.secondaryTextColor
                        elide: Text.ElideRight
                        Layout.fillWidth: true
                    }
                }
                ColumnLayout {
                    spacing: 2
                    Label {
                        text: "Protection"
                        font.weight: Font.DemiBold
                        Layout.alignment: Qt.AlignRight
                    }
                    Label {
                        objectName: "protectionSubtitle"
                        text: root.model.protectionEnabled ? "Ready to yell" : "Off duty"
                        color: root.secondaryTextColor
                        font.pointSize: root.footnotePointSize
                        Layout.alignment: Qt.AlignRight
                    }
                }
                Switch {
                    Accessible.onToggleAction: { toggle(); toggled() }
                    objectName: "protectionSwitch"
                    checked: root.model.protectionEnabled
                    onToggled: root.model.setProtectionEnabled(checked)
                    Accessible.name: "Protection"
                }
            }
        }

        ScrollView {
            id: scroll
            Layout.fillWidth: true
            Layout.fillHeight: true
            contentWidth: availableWidth
            ScrollBar.vertical.policy: ScrollBar.AlwaysOn
            ScrollBar.horizontal.policy: ScrollBar.AlwaysOff

            ColumnLayout {
                width: scroll.availableWidth - scroll.ScrollBar.vertical.width - 4
                spacing: 12

                PanelCard {
                    Layout.fillWidth: true

                    ColumnLayout {
                        anchors.fill: parent
                        spacing: 10

                        RowLayout {
                            spacing: 6
                            Symbol {
                                name: "bell.and.waves.left.and.right.fill"
                                color: palette.windowText
                                size: 14
                            }
                            Label {
                                text: "Status"
                                font.weight: Font.DemiBold
                            }
                        }

                        RowLayout {
                            spacing: 8
                            Symbol {
                                name: root.protectionSymbolName
                                color: headline.color
                                size: 20
                            }
                            Label {
                                id: headline
                                objectName: "headline"
                                text: root.model.headline
                                color: statusColors.colorFor(root.model.statusColorRole)
                                font.pointSize: Qt.application.font.pointSize + 5
                                font.weight: Font.Bold
                            }
                        }

                        Label {
                            objectName: "guidance"
                            text: root.model.guidanceText
                            wrapMode: Text.WordWrap
                            Layout.fillWidth: true
                        }

                        RowLayout {
                            objectName: "nextMoveRow"
                            visible: root.model.countdownText.length > 0
                            spacing: 6
                            Layout.fillWidth: true
                            Symbol {
                                name: "timer"
                                color: palette.windowText
                                size: 14
                            }
                            Label {
                                text: "Next move"
                                Layout.fillWidth: true
                            }
                            Label {
                                objectName: "countdown"
                                text: root.model.countdownText
                                font.family: "monospace"
                            }
                        }

                        ColumnLayout {
                            spacing: 4
                            Layout.fillWidth: true
                            RowLayout {
                                spacing: 6
                                Symbol {
                                    name: root.protectionSymbolName
                                    color: root.secondaryTextColor
                                    size: 12
                                }
                                Label {
                                    text: "Ready check"
                                    color: root.secondaryTextColor
                                    font.pointSize: root.footnotePointSize
                                }
                            }
                            RowLayout {
                                spacing: 8
                                Layout.fillWidth: true
                                Label {
                                    text: root.model.audioReadinessTitle.length > 0 ? root.model.audioReadinessTitle
                                                                                     : root.model.headline
                                    elide: Text.ElideRight
                                    Layout.fillWidth: true
                                }
                                Label {
                                    objectName: "volumePercentage"
                                    text: root.model.alarmVolumePercentageText
                                    color: statusColors.orange
                                    font.weight: Font.DemiBold
                                }
                            }
                        }

                        RowLayout {
                            spacing: 8
                            Layout.fillWidth: true
                            Symbol {
                                name: "speaker.wave.3.fill"
                                color: palette.windowText
                                size: 16
                                Layout.alignment: Qt.AlignTop
                            }
                            Label {
                                text: "When the alarm goes off, Hollerbox can briefly take over system volume so your Mac actually makes a scene, then restore your original settings afterward."
                                color: root.secondaryTextColor
                                font.pointSize: root.footnotePointSize
                                wrapMode: Text.WordWrap
                                Layout.fillWidth: true
                            }
                        }

                        Label {
                            text: "Alarm volume"
                            font.weight: Font.DemiBold
                        }

                        ColumnLayout {
                            spacing: 2
                            Layout.fillWidth: true
                            Slider {
                                objectName: "volumeSlider"
                                from: 0.2
                                to: 1.0
                                stepSize: 0.05
                                snapMode: Slider.SnapAlways
                                value: root.model.alarmVolumeScalar
                                onMoved: root.model.alarmVolumeScalar = Math.min(Math.max(value, 0.2), 1.0)
                                Accessible.name: "Alarm volume"
                                Layout.fillWidth: true
                            }
                            RowLayout {
                                Layout.fillWidth: true
                                Label {
                                    text: "20%"
                                    color: root.secondaryTextColor
                                    font.pointSize: root.footnotePointSize
                                }
                                Item {
                                    Layout.fillWidth: true
                                }
                                Button {
                                    Accessible.onPressAction: clicked()
                                    objectName: "testAlarmButton"
                                    text: root.model.isTestAlarmPlaying ? "Stop Test" : "Test Alarm"
                                    onClicked: root.model.toggleTestAlarm()
                                }
                                Item {
                                    Layout.fillWidth: true
                                }
                                Label {
                                    text: "100%"
                                    color: root.secondaryTextColor
                                    font.pointSize: root.footnotePointSize
                                }
                            }
                        }
                    }
                }

                GridLayout {
                    columns: 3
                    columnSpacing: 12
                    Layout.fillWidth: true

                    Repeater {
                        model: [
                            { title: "Settings", symbol: "gearshape.fill", identifier: "settings" },
                            { title: "Preferences", symbol: "slider.horizontal.3", identifier: "preferences" },
                            { title: "About", symbol: "info.circle.fill", identifier: "about" },
                        ]
                        delegate: PanelTile {
                            required property var modelData
                            objectName: modelData.identifier + "Tile"
                            text: modelData.title
                            symbolName: modelData.symbol
                            onClicked: root.openWindowRequested(modelData.identifier)
                            Layout.fillWidth: true
                            Layout.preferredWidth: 1
                        }
                    }
                }
            }
        }

        Button {
            Accessible.onPressAction: clicked()
            objectName: "quitButton"
            text: "Quit"
            onClicked: root.quitRequested()
        }
    }
}
