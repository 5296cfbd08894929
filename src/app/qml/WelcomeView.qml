import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The first-run welcome flow: a timeline of the hardware check and the update choice. When both are done it
// records that onboarding is finished, shows the completion card and asks to close 1.4 s later.
Item {
    id: root

    required property var model
    required property var updater

    signal openWindowRequested(string identifier)
    signal quitRequested()
    signal continueRequested()

    property bool didCompleteHardwareCheck: false
    property bool didChooseUpdatePreference: false
    property bool didRequestClose: false
    property bool showsCompletionState: false
    readonly property real timelineSpacing: 16
    // The updater publishes its support ("available" or "unavailable") and whether the user already chose.
    readonly property bool updatesAvailable: updater.support === "available"
    readonly property bool didCompleteUpdates: didChooseUpdatePreference
                                               || updater.didChooseAutomaticChecksPreference

    readonly property color greenColor: "#34a853"
    readonly property color orangeColor: "#e8890c"
    readonly property color blueColor: "#2f7fe0"
    readonly property color redColor: "#e0443e"

    implicitWidth: 500
    implicitHeight: 620

    // Records the end of onboarding once both steps are done; later calls do nothing.
    function evaluateCompletion() {
        if (didRequestClose || !didCompleteHardwareCheck || !didCompleteUpdates)
            return
        model.dismissOnboarding()
        showsCompletionState = true
        didRequestClose = true
        closeTimer.start()
    }

    function completeHardwareCheck() {
        model.stopWelcomeHardwareTest()
        didCompleteHardwareCheck = true
        evaluateCompletion()
    }

    function chooseUpdates(automatically) {
        if (!updatesAvailable)
            updater.recordAutomaticChecksChoice()
        else if (automatically)
            updater.automaticallyChecksForUpdates = true
        else
            updater.continueWithoutAutomaticChecks()
        didChooseUpdatePreference = true
        evaluateCompletion()
    }

    Component.onCompleted: {
        if (!model.showsOnboarding)
            didCompleteHardwareCheck = true
        else
            model.runHardwareChecks()
        evaluateCompletion()
    }

    Timer {
        id: closeTimer

        interval: 1400
        onTriggered: root.continueRequested()
    }

    Rectangle {
        anchors.fill: parent
        color: palette.window
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: 24
        spacing: 18

        RowLayout {
            Layout.fillWidth: true
            spacing: 14

            Item {
                Layout.preferredWidth: 56
                Layout.preferredHeight: 56

                Symbol {
                    id: appIcon

                    anchors.fill: parent
                    size: 56
                    name: "WelcomeAppIcon"
                }

                Symbol {
                    anchors.centerIn: parent
                    visible: appIcon.status !== Image.Ready
                    size: 44
                    name: "hand.raised.fill"
                    color: root.orangeColor
                }
            }

            ColumnLayout {
                Layout.fillWidth: true
                spacing: 4

                Label {
                    Layout.fillWidth: true
                    text: "Welcome to Hollerbox"
                    font.bold: true
                    font.pointSize: Qt.application.font.pointSize * 1.6
                    wrapMode: Text.Wrap
                }

                Label {
                    Layout.fillWidth: true
                    text: "Lock your Mac. Somebody grabs it. Your Mac yells back."
                    color: palette.placeholderText
                    wrapMode: Text.Wrap
                }
            }
        }

        ScrollView {
            id: scroll

            Layout.fillWidth: true
            Layout.fillHeight: true
            contentWidth: availableWidth
            clip: true
            // Fusion shows an as-needed bar only while scrolling; this one stays while there is more to see,
            // with room of its own beside the steps.
            ScrollBar.vertical.policy: contentHeight > height ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff
            ScrollBar.horizontal.policy: ScrollBar.AlwaysOff
            rightPadding: ScrollBar.vertical.visible ? ScrollBar.vertical.width + 6 : 0

            Column {
                width: scroll.availableWidth
                spacing: root.timelineSpacing

                WelcomeStep {
                    objectName: "hardwareStep"
                    width: parent.width
                    number: 1
                    title: "Hardware check"
                    line: "Make sure this Mac is ready for the full Hollerbox routine."
                    status: root.didCompleteHardwareCheck ? "Done" : "Ready"
                    connectorExtent: root.timelineSpacing
                    doneColor: root.greenColor
                    readyColor: root.blueColor

                    WelcomeCheckRow {
                        objectName: "platformCheck"
                        Layout.fillWidth: true
                        title: root.model.platformHardwareCheckTitle
                        status: root.model.platformHardwareCheckStatus
                        readyColor: root.greenColor
                        warningColor: root.orangeColor
                        failureColor: root.redColor
                    }

                    WelcomeCheckRow {
                        objectName: "motionCheck"
                        Layout.fillWidth: true
                        title: root.model.motionSensorHardwareCheckTitle
                        status: root.model.motionSensorHardwareCheckStatus
                        readyColor: root.greenColor
                        warningColor: root.orangeColor
                        failureColor: root.redColor
                    }

                    Button {
                        Accessible.onPressAction: clicked()
                        objectName: "retryButton"
                        visible: root.model.motionSensorHardwareCheckStatus === "warning"
                        flat: true
                        leftPadding: 2
                        text: "Try the motion sensor check again"
                        onClicked: root.model.runHardwareChecks()
                        contentItem: RowLayout {
                            spacing: 6

                            Symbol {
                                Layout.preferredWidth: 14
                                Layout.preferredHeight: 14
                                name: "arrow.clockwise"
                                size: 14
                                color: root.blueColor
                            }

                            Label {
                                text: "Try the motion sensor check again"
                                color: root.blueColor
                            }
                        }
                    }

                    Item {
                        objectName: "liftPrompt"
                        Layout.fillWidth: true
                        implicitHeight: Math.max(liftSymbol.height, liftText.implicitHeight)
                        visible: root.model.welcomeHardwareAlarmTestActive

                        Symbol {
                            id: liftSymbol

                            anchors.verticalCenter: parent.verticalCenter
                            name: "figure.strengthtraining.traditional"
                            size: 22
                            color: root.blueColor
                        }

                        Label {
                            id: liftText

                            anchors.left: liftSymbol.right
                            anchors.leftMargin: 10
                            anchors.right: parent.right
                            anchors.verticalCenter: parent.verticalCenter
                            text: "Now try lifting your Mac. You should hear your Mac start yelling."
                            wrapMode: Text.Wrap
                        }
                    }

                    Button {
                        Accessible.onPressAction: clicked()
                        objectName: "hardwareButton"
                        horizontalPadding: 14
                        highlighted: true
                        text: root.didCompleteHardwareCheck ? "Hardware Looks Good" : "Continue"
                        onClicked: root.completeHardwareCheck()
                    }
                }

                WelcomeStep {
                    objectName: "updatesStep"
                    width: parent.width
                    number: 2
                    title: "Updates"
                    line: "Choose whether Hollerbox should keep an eye out for fresh builds on its own."
                    status: root.didCompleteUpdates ? "Done" : root.didCompleteHardwareCheck ? "Ready" : "Pending"
                    showsConnector: false
                    doneColor: root.greenColor
                    readyColor: root.blueColor

                    RowLayout {
                        visible: root.updatesAvailable
                        spacing: 8

                        Button {
                            Accessible.onPressAction: clicked()
                            objectName: "checkAutomaticallyButton"
                            horizontalPadding: 14
                            highlighted: true
                            text: "Check Automatically"
                            onClicked: root.chooseUpdates(true)
                        }

                        Button {
                            Accessible.onPressAction: clicked()
                            objectName: "dontCheckButton"
                            horizontalPadding: 14
                            text: "Don't Check"
                            onClicked: root.chooseUpdates(false)
                        }
                    }

                    Button {
                        Accessible.onPressAction: clicked()
                        objectName: "continueWithoutChecksButton"
                        horizontalPadding: 14
                        visible: !root.updatesAvailable
                        text: "Continue Without Automatic Checks"
                        onClicked: root.chooseUpdates(false)
                    }
                }

                Rectangle {
                    objectName: "completionCard"
                    width: parent.width
                    height: Math.max(completionSymbol.height, completionText.implicitHeight) + 28
                    visible: root.showsCompletionState
                    radius: 10
                    color: Qt.rgba(root.greenColor.r, root.greenColor.g, root.greenColor.b, 0.14)

                    Symbol {
                        id: completionSymbol

                        x: 14
                        anchors.verticalCenter: parent.verticalCenter
                        name: "party.popper.fill"
                        size: 28
                        color: root.greenColor
                    }

                    Label {
                        id: completionText

                        anchors.left: completionSymbol.right
                        anchors.leftMargin: 12
                        anchors.right: parent.right
                        anchors.rightMargin: 14
                        anchors.verticalCenter: parent.verticalCenter
                        text: "Welcome aboard! You can now close this window and Hollerbox is ready to watch your Mac the next time you lock it."
                        wrapMode: Text.Wrap
                    }
                }
            }
        }
    }
}
