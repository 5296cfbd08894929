# The README's screenshots: renders each view on a model on fakes and writes PNGs (see scripts/screenshots).
qt_add_executable(ViewScreenshots screenshots/ViewScreenshots.cpp ModelOnFakes.cpp ModelOnFakes.h)
qt_add_resources(ViewScreenshots screenshot_scenes PREFIX /screenshots BASE screenshots
    FILES screenshots/Screenshots.qml)
target_include_directories(ViewScreenshots PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(ViewScreenshots PRIVATE
    HollerboxAppModel HollerboxFakes HollerboxViews HollerboxViewsplugin Qt6::Quick Qt6::QuickControls2)
target_compile_definitions(ViewScreenshots PRIVATE HOLLERBOX_VERSION="${PROJECT_VERSION}")
hollerbox_program(ViewScreenshots)
