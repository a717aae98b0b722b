# tarn_man_page(TARGET SUMMARY [SUBCOMMAND...] [LANGUAGES lang...])
#
# The manual page of a program, made from its own --help (and each subcommand's) after every
# build of the program, in English and in each language named (a locale such as zh_CN whose
# translation the program carries), and installed with the program.
include(GNUInstallDirs)

function(tarn_man_page target summary)
  cmake_parse_arguments(PARSE_ARGV 2 page "" "" "LANGUAGES")
  set(name $<TARGET_FILE_NAME:${target}>)
  set(pages)
  foreach(language C ${page_LANGUAGES})
    if(language STREQUAL "C")
      set(folder ${CMAKE_CURRENT_BINARY_DIR}/man/man1)
      set(installed ${CMAKE_INSTALL_MANDIR}/man1)
    else()
      set(folder ${CMAKE_CURRENT_BINARY_DIR}/man/${language}/man1)
      set(installed ${CMAKE_INSTALL_MANDIR}/${language}/man1)
    endif()
    set(out ${folder}/${target}.1)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
      COMMAND ${CMAKE_COMMAND} -E env LC_ALL=${language}.UTF-8 LANGUAGE= QT_QPA_PLATFORM=offscreen
              ASAN_OPTIONS=detect_leaks=0
              python3 ${PROJECT_SOURCE_DIR}/scripts/help-to-man.py --name ${target} --summary ${summary}
              --version ${PROJECT_VERSION} --out ${out} $<TARGET_FILE:${target}> ${page_UNPARSED_ARGUMENTS}
      DEPENDS ${target} ${PROJECT_SOURCE_DIR}/scripts/help-to-man.py
      COMMENT "Manual page of ${target} (${language})"
      VERBATIM)
    install(FILES ${out} DESTINATION ${installed})
    list(APPEND pages ${out})
  endforeach()
  add_custom_target(${target}_man ALL DEPENDS ${pages})
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()
