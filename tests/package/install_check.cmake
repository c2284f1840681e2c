# `cmake --install` of the build BUILD into a fresh prefix PREFIX gives the
# programs, the manual pages (suffix MAN_SUFFIX) and the documents, nothing
# else, and the installed program answers --version with VERSION.
include(${CMAKE_CURRENT_LIST_DIR}/checks.cmake)

file(REMOVE_RECURSE ${PREFIX})
Run_or_fail(${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX})

file(GLOB_RECURSE installed RELATIVE ${PREFIX} ${PREFIX}/*)
set(expected
  bin/vorlix
  bin/vorlix-pauser
  share/man/man1/vorlix.1${MAN_SUFFIX}
  share/man/man1/vorlix-pauser.1${MAN_SUFFIX}
  share/doc/vorlix/README.md
  share/doc/vorlix/README.zh-CN.md
  share/doc/vorlix/copyright
  share/doc/vorlix/changelog${MAN_SUFFIX})
Expect_same_items("installed files" ACTUAL ${installed} EXPECTED ${expected})

foreach(program vorlix vorlix-pauser)
  Run_or_fail(${PREFIX}/bin/${program} --version)
  if(NOT OUTPUT STREQUAL "${program} ${VERSION}\n")
    message(FATAL_ERROR "${program} --version says: ${OUTPUT}")
  endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
