# The first-run welcome flow.
qt_target_qml_sources(HollerboxViews
    QML_FILES
        WelcomeView.qml
        WelcomeStep.qml
        WelcomeCheckRow.qml
        WelcomeDashedConnector.qml
)
