# The alarm sound preferences window and the about window.
qt_target_qml_sources(HollerboxViews
    QML_FILES
        AboutView.qml
        PreferencesView.qml
)
