# tarn_register_filter_library(TARGET)
#
# A filter library registers itself in a filter registry file. After every build of TARGET,
# tarnregsvr registers it in ${PROJECT_BINARY_DIR}/filters.ini, so that every filter library
# of the build is found from the build tree with
#   TARNMEDIA_FILTERS=<build>/filters.ini
# Installing copies the library to <libdir>/tarnmedia and registers the installed file in the
# registry of the user who installs ($TARNMEDIA_FILTERS if set, else
# $XDG_CONFIG_HOME/tarnmedia/filters.ini).
include(GNUInstallDirs)

set(TARN_BUILD_FILTER_REGISTRY ${PROJECT_BINARY_DIR}/filters.ini)

function(tarn_register_filter_library target)
  add_dependencies(${target} tarnregsvr)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E env TARNMEDIA_FILTERS=${TARN_BUILD_FILTER_REGISTRY}
            $<TARGET_FILE:tarnregsvr> $<TARGET_FILE:${target}>
    COMMENT "Registering ${target} in ${TARN_BUILD_FILTER_REGISTRY}"
    VERBATIM)

  set(destination ${CMAKE_INSTALL_LIBDIR}/tarnmedia)
  install(TARGETS ${target} LIBRARY DESTINATION ${destination})
  # A staged install (DESTDIR) is not where the library will be loaded from: registering it
  # is left to the package's own installation step.
  install(CODE "
    if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
      execute_process(
        COMMAND \"$<TARGET_FILE:tarnregsvr>\"
                \"\${CMAKE_INSTALL_PREFIX}/${destination}/$<TARGET_FILE_NAME:${target}>\"
        RESULT_VARIABLE tarn_register_result)
      if(NOT tarn_register_result EQUAL 0)
        message(FATAL_ERROR \"Registering $<TARGET_FILE_NAME:${target}> failed\")
      endif()
    else()
      message(STATUS \"Staged install: register $<TARGET_FILE_NAME:${target}> with tarnregsvr on the target system\")
    endif()
  ")
endfunction()
