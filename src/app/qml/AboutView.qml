import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The about window: what the product does, what it needs, and answers that open one by one.
Item {
    id: root

    required property var model

    signal openWindowRequested(string identifier)
    signal quitRequested()

    // The application's version as the shell knows it; "" when unknown.
    property string version: ""
    // The ids of the FAQ entries whose answers are shown.
    property var expandedFAQItems: []

    readonly property var faqItems: [
        {
            id: "battery",
            question: "Does it use much battery?",
            answer: "Not much in normal use. When protection is off, or while your Mac is unlocked, Hollerbox stays pretty lightweight. It only spins up the motion-monitoring path when your Mac is locked and about to arm, so it is not hammering the sensor all day just for fun."
        },
        {
            id: "warranty",
            question: "Will it damage my MacBook or void my warranty?",
            answer: "It should not. Hollerbox relies on your MacBook's built-in motion sensor and standard macOS system APIs. It does not require hardware changes, accessories, or opening up your Mac. If your computer is physically damaged because somebody grabbed it, that situation is unfortunately outside what the app can prevent."
        },
        {
            id: "false-alarms",
            question: "Will it trigger from normal desk vibration or everyday bumps?",
            answer: "Usually not. Hollerbox does not fire on one random noisy spike. It smooths the motion signal, compares it against a short baseline, and only triggers when movement stays strong enough for long enough to look real. A real grab is what it is looking for, not every little wobble."
        },
        {
            id: "mute",
            question: "Can someone mute the Mac to bypass the alarm?",
            answer: "No. When the alarm fires, Hollerbox forces the preset alarm volume, so the mute key does not get the final word. Once the alarm stops, your original system volume settings are restored."
        },
        {
            id: "custom-sounds",
            question: "Can I add my own alarm sounds?",
            answer: "Definitely yes. Import your own audio and let your Mac yell exactly the way you want it to. Protective? Dramatic? Slightly unhinged? All valid."
        },
    ]

    readonly property color accentColor: palette.highlight
    readonly property color secondaryColor: palette.placeholderText
    readonly property real basePointSize: Qt.application.font.pointSize

    implicitWidth: 520
    implicitHeight: 500

    function toggleFAQItem(id) {
        const index = expandedFAQItems.indexOf(id)
        expandedFAQItems = index < 0 ? expandedFAQItems.concat([id])
                                     : expandedFAQItems.filter(item => item !== id)
    }

    component Card: Rectangle {
        id: card
        default property alias content: cardColumn.data
        property string title
        property string symbol

        Layout.fillWidth: true
        Layout.leftMargin: 20
        Layout.rightMargin: 20
        implicitHeight: cardColumn.implicitHeight + 32
        radius: 14
        color: palette.base
        border.color: Qt.rgba(palette.windowText.r, palette.windowText.g, palette.windowText.b, 0.08)

        ColumnLayout {
            id: cardColumn
            anchors.fill: parent
            anchors.margins: 16
            spacing: 8

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

    component ListCard: Card {
        id: listCard
        property var items: []

        FontMetrics {
            id: bodyMetrics
            font: Qt.application.font
        }
        Repeater {
            model: listCard.items
            delegate: RowLayout {
                required property string modelData
                Layout.fillWidth: true
                spacing: 10
                Rectangle {
                    Layout.alignment: Qt.AlignTop
                    Layout.topMargin: (bodyMetrics.height - implicitHeight) / 2
                    implicitWidth: 6
                    implicitHeight: 6
                    radius: 3
                    color: palette.highlight
                }
                Label {
                    Layout.fillWidth: true
                    text: modelData
                    wrapMode: Text.WordWrap
                }
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

        ColumnLayout {
            width: scrollView.availableWidth
            spacing: 14

            RowLayout {
                Layout.fillWidth: true
                Layout.topMargin: 20
                Layout.leftMargin: 20
                Layout.rightMargin: 20
                spacing: 14
                Symbol {
                    Layout.alignment: Qt.AlignTop
                    name: "info.circle.fill"
                    color: root.accentColor
                    size: 36
                }
                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 6
                    Label {
                        text: "About Hollerbox"
                        font.bold: true
                        font.pointSize: root.basePointSize * 1.6
                    }
                    Label {
                        Layout.fillWidth: true
                        text: "Hollerbox is for that exact moment when your MacBook is locked, you're away for a minute, and somebody decides to pick it up anyway. If they do, your Mac starts shouting and makes the whole thing a lot less subtle."
                        wrapMode: Text.WordWrap
                        color: root.secondaryColor
                    }
                }
            }

            ListCard {
                title: "How It Works"
                symbol: "checkmark.shield.fill"
                items: [
                    "Lock your Mac before stepping away.",
                    "Hollerbox quietly arms itself after the lock is detected.",
                    "If the Mac is moved, it makes noise on purpose.",
                    "Unlocking the Mac tells it the coast is clear.",
                ]
            }

            ListCard {
                title: "Requirements"
                symbol: "desktopcomputer"
                items: ["macOS 14+", "Apple Silicon MacBook required"]
            }

            ListCard {
                title: "Want More Chaos?"
                symbol: "star.fill"
                items: [
                    "Built-in sounds can be dramatic, silly, or somewhere in between.",
                    "Try uploading your own sound: an airhorn, a dramatic scream, a villain laugh, or a fake system warning. It all depends on how you want your Mac to yell.",
                    "Test the volume first so your Mac's big moment is not a whisper.",
                ]
            }

            Card {
                title: "FAQ"
                symbol: "questionmark.circle.fill"

                Repeater {
                    objectName: "faqRows"
                    model: root.faqItems
                    delegate: AbstractButton {
                        id: faqRow
                        required property var modelData
                        readonly property string itemId: modelData.id
                        readonly property bool expanded: root.expandedFAQItems.indexOf(itemId) >= 0
                        readonly property alias answerLabel: answer

                        Layout.fillWidth: true
                        topPadding: 8
                        bottomPadding: 8
                        leftPadding: 10
                        rightPadding: 10
                        Accessible.name: modelData.question
                        onClicked: root.toggleFAQItem(itemId)

                        background: Rectangle {
                            radius: 10
                            color: faqRow.hovered || faqRow.expanded
                                   ? Qt.rgba(root.accentColor.r, root.accentColor.g, root.accentColor.b, 0.08)
                                   : "transparent"
                        }
                        contentItem: ColumnLayout {
                            spacing: 6
                            RowLayout {
                                Layout.fillWidth: true
                                spacing: 10
                                Label {
                                    Layout.fillWidth: true
                                    text: faqRow.modelData.question
                                    font.bold: true
                                    wrapMode: Text.WordWrap
                                }
                                Symbol {
                                    name: faqRow.expanded ? "chevron.up" : "chevron.down"
                                    color: root.secondaryColor
                                    size: 12
                                }
                            }
                            Label {
                                id: answer
                                Layout.fillWidth: true
                                visible: faqRow.expanded
                                text: faqRow.modelData.answer
                                wrapMode: Text.WordWrap
                                color: root.secondaryColor
                            }
                        }
                    }
                }
            }

            ColumnLayout {
                Layout.fillWidth: true
                Layout.leftMargin: 20
                Layout.rightMargin: 20
                Layout.bottomMargin: 20
                spacing: 4
                Label {
                    Layout.fillWidth: true
                    horizontalAlignment: Text.AlignHCenter
                    text: "Lock your Mac. Somebody grabs it. Your Mac yells back."
                    font.bold: true
                    wrapMode: Text.WordWrap
                }
                Label {
                    objectName: "versionText"
                    Layout.fillWidth: true
                    horizontalAlignment: Text.AlignHCenter
                    text: root.version.length > 0 ? "Version " + root.version : "Version unavailable"
                    color: root.secondaryColor
                    font.pointSize: root.basePointSize * 0.85
                }
            }
        }
    }
}
