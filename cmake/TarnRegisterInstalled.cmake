# Install-time step of tarn_register_filter_library: registers one installed filter library in
# the machine's registry with tarnregsvr. Set by the caller: tarn_regsvr (the build's tarnregsvr),
# tarn_registry_dir (TARN_FILTER_REGISTRY_DIR), tarn_library_path (relative to the prefix).
#
# The library registers the path it was loaded from; under DESTDIR that is the staged copy, so
# the staging folder is taken off the registered path afterwards.
set(tarn_registry "$ENV{DESTDIR}${tarn_registry_dir}/tarnmedia/filters.ini")
set(tarn_library "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${tarn_library_path}")
execute_process(
  COMMAND "${CMAKE_COMMAND}" -E env "TARNMEDIA_FILTERS=${tarn_registry}" "${tarn_regsvr}" "${tarn_library}"
  RESULT_VARIABLE tarn_register_result OUTPUT_QUIET)
if(NOT tarn_register_result EQUAL 0)
  message(FATAL_ERROR "Registering ${tarn_library} in ${tarn_registry} failed")
endif()
if(NOT "$ENV{DESTDIR}" STREQUAL "")
  file(REAL_PATH "$ENV{DESTDIR}" tarn_stage)
  file(READ "${tarn_registry}" tarn_text)
  string(REPLACE "Library=${tarn_stage}/" "Library=/" tarn_text "${tarn_text}")
  file(WRITE "${tarn_registry}" "${tarn_text}")
  # The writers' lock file is no part of what a package ships.
  file(REMOVE "${tarn_registry}.lock")
endif()
message(STATUS "Registered: ${tarn_registry}")
