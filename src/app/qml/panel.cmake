qt_target_qml_sources(HollerboxViews QML_FILES
    ContentView.qml
    PanelCard.qml
    PanelStatusColors.qml
    PanelTile.qml
    SettingsSection.qml
    SettingsSliderRow.qml
    SettingsView.qml
)
