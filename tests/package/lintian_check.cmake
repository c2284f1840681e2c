# lintian, run on the .deb that cpack makes of the build BUILD (in OUT), has
# no error and no warning to give, nor any of the notes on hardening and
# stripping that a release build must not earn.
include(${CMAKE_CURRENT_LIST_DIR}/checks.cmake)

file(REMOVE_RECURSE ${OUT})
Run_or_fail(${CPACK} --config ${BUILD}/CPackConfig.cmake -G DEB -B ${OUT})
file(GLOB deb ${OUT}/vorlix_${VERSION}_*.deb)
if(NOT deb)
  message(FATAL_ERROR "cpack made no .deb in ${OUT}")
endif()

# Its complaint about running as root goes to standard error, which is not read.
execute_process(COMMAND ${LINTIAN} --display-info ${deb} OUTPUT_VARIABLE out ERROR_QUIET)
string(REGEX MATCHALL "(^|\n)([EW]: [^\n]*|I: [^\n]*(hardening-|binary-has-unneeded-section)[^\n]*)"
       found "${out}")
if(found)
  message(FATAL_ERROR "lintian on ${deb}:\n${out}")
endif()
file(REMOVE_RECURSE ${OUT})
