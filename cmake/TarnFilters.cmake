# tarn_register_filter_library(TARGET)
#
# A filter library registers itself in a filter registry file. After every build of TARGET,
# tarnregsvr registers it in ${PROJECT_BINARY_DIR}/filters.ini, so that every filter library
# of the build is found from the build tree with
#   TARNMEDIA_FILTERS=<build>/filters.ini
# Installing copies the library to <libdir>/tarnmedia and registers the installed file in the
# machine's registry, TARN_FILTER_REGISTRY_DIR/tarnmedia/filters.ini (default /etc/xdg, where
# every user's programs look), under DESTDIR for a staged install such as the Debian package.
# An install without root rights sets TARN_FILTER_REGISTRY_DIR to the user's ~/.config.
include(GNUInstallDirs)

set(TARN_BUILD_FILTER_REGISTRY ${PROJECT_BINARY_DIR}/filters.ini)
set(TARN_FILTER_REGISTRY_DIR /etc/xdg CACHE PATH "Folder whose tarnmedia/filters.ini the installed filters are registered in")

function(tarn_register_filter_library target)
  add_dependencies(${target} tarnregsvr)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E env TARNMEDIA_FILTERS=${TARN_BUILD_FILTER_REGISTRY}
            $<TARGET_FILE:tarnregsvr> $<TARGET_FILE:${target}>
    COMMENT "Registering ${target} in ${TARN_BUILD_FILTER_REGISTRY}"
    VERBATIM)

  set(destination ${CMAKE_INSTALL_LIBDIR}/tarnmedia)
  install(TARGETS ${target} LIBRARY DESTINATION ${destination})
  # Registered by cmake/TarnRegisterInstalled.cmake at install time.
  install(CODE "
    set(tarn_regsvr \"$<TARGET_FILE:tarnregsvr>\")
    set(tarn_registry_dir \"${TARN_FILTER_REGISTRY_DIR}\")
    set(tarn_library_path \"${destination}/$<TARGET_FILE_NAME:${target}>\")
    include(\"${PROJECT_SOURCE_DIR}/cmake/TarnRegisterInstalled.cmake\")
  ")
endfunction()
