# The Debian package (scripts/package): every installed piece, with dependencies from dpkg-shlibdeps plus the
# runtime pieces that the programs load rather than link.
set(HOLLERBOX_PACKAGE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/hollerbox)
set(HOLLERBOX_PACKAGE_CHANGELOG ${CMAKE_BINARY_DIR}/package/changelog.gz)
add_custom_command(OUTPUT ${HOLLERBOX_PACKAGE_CHANGELOG}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/package
    COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/resources/package/changelog > ${HOLLERBOX_PACKAGE_CHANGELOG}
    DEPENDS ${PROJECT_SOURCE_DIR}/resources/package/changelog
    COMMENT "Compressing the package's changelog")
add_custom_target(HollerboxPackageChangelog ALL DEPENDS ${HOLLERBOX_PACKAGE_CHANGELOG})
install(FILES ${PROJECT_SOURCE_DIR}/resources/package/copyright ${HOLLERBOX_PACKAGE_CHANGELOG}
    DESTINATION ${HOLLERBOX_PACKAGE_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hollerbox)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Hollerbox developers")
set(CPACK_PACKAGE_CONTACT "The Hollerbox developers <maintainers@hollerbox.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "laptop anti-theft alarm")
set(CPACK_PACKAGE_DESCRIPTION
    "Hollerbox guards a laptop left open and locked. After an arm delay it\n"
    "watches the accelerometer, and when someone moves the laptop it plays a\n"
    "loud alarm with the audio output forced unmuted, restoring the user's\n"
    "settings afterwards. Unlocking the screen disarms it.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://hollerbox.org)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# Loaded at run time: QML modules by the views, GStreamer elements by the player, the pulse sink.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qml6-module-qtquick, qml6-module-qtquick-controls, qml6-module-qtquick-layouts, qml6-module-qtquick-window, qml6-module-qtquick-templates, qml6-module-qtquick-dialogs, qml6-module-qtqml-workerscript, qml6-module-qtqml-models, libqt6svg6, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse, systemd, gstreamer1.0-libav")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/resources/package/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
