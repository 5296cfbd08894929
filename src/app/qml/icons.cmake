# The application's symbols and tray images, drawn by the "symbol" image provider from icons/<name>.svg.
# "questionmark.square.dashed", the fallback, is listed with the module itself.
set(HOLLERBOX_SYMBOLS
    arrow.clockwise
    arrow.down.circle.fill
    bell.and.waves.left.and.right.fill
    bolt.shield.fill
    checkmark
    checkmark.circle.fill
    checkmark.shield.fill
    chevron.down
    chevron.up
    circle
    desktopcomputer
    exclamationmark.triangle.fill
    figure.strengthtraining.traditional
    gearshape.fill
    hand.raised.fill
    info.circle.fill
    largecircle.fill.circle
    lock.fill
    lock.shield.fill
    party.popper.fill
    powerplug.fill
    questionmark.circle.fill
    slider.horizontal.3
    speaker.wave.3.fill
    star.fill
    timer
    trash
    waveform.badge.plus
    MenuIconArmed
    MenuIconSleep
)
list(TRANSFORM HOLLERBOX_SYMBOLS PREPEND icons/ OUTPUT_VARIABLE symbol_files)
list(TRANSFORM symbol_files APPEND .svg)

# The welcome window's "WelcomeAppIcon" is the application icon itself, in colour.
set(welcome_app_icon ${PROJECT_SOURCE_DIR}/resources/icons/org.hollerbox.Hollerbox.svg)
set_source_files_properties(${welcome_app_icon} PROPERTIES QT_RESOURCE_ALIAS icons/WelcomeAppIcon.svg)

qt_target_qml_sources(HollerboxViews RESOURCES ${symbol_files} ${welcome_app_icon})
