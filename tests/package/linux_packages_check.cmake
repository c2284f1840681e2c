# cpack on the build BUILD makes a .deb and a .tar.gz in OUT: the .deb holds
# the programs, the manual pages and Debian's papers and has dependencies
# computed from the binaries; the .tar.gz holds the same tree.
include(${CMAKE_CURRENT_LIST_DIR}/checks.cmake)

file(REMOVE_RECURSE ${OUT})
Run_or_fail(${CPACK} --config ${BUILD}/CPackConfig.cmake -B ${OUT})  # DEB and TGZ
# A newcomer who follows the README sees no warning.
if("${OUTPUT}${ERRORS}" MATCHES "CMake Warning")
  message(FATAL_ERROR "cpack warned:\n${OUTPUT}${ERRORS}")
endif()
file(GLOB deb ${OUT}/vorlix_${VERSION}_*.deb)
file(GLOB tgz ${OUT}/vorlix-${VERSION}-*.tar.gz)
if(NOT deb OR NOT tgz)
  message(FATAL_ERROR "cpack made no .deb or no .tar.gz in ${OUT}")
endif()

Run_or_fail(dpkg-deb -c ${deb})
set(contents
  " \\./usr/bin/vorlix\n"
  " \\./usr/bin/vorlix-pauser\n"
  " \\./usr/share/man/man1/vorlix\\.1${MAN_SUFFIX}\n"
  " \\./usr/share/man/man1/vorlix-pauser\\.1${MAN_SUFFIX}\n"
  " \\./usr/share/doc/vorlix/copyright\n"
  " \\./usr/share/doc/vorlix/changelog\\.gz\n")
Expect_matches("dpkg-deb -c" "${OUTPUT}" ${contents})

# Depends comes from dpkg-shlibdeps, so it names the C library with a version.
Run_or_fail(dpkg-deb -I ${deb})
set(control
  "\n Package: vorlix\n"
  "\n Version: ${VERSION}\n"
  "\n Depends: [^\n]*libc6 \\(>= [0-9.]+\\)"
  "\n Depends: [^\n]*libstdc\\+\\+6"
  "\n Suggests: g\\+\\+\n"
  "\n Description: [^\n]+\n  Vorlix is ")
Expect_matches("dpkg-deb -I" "${OUTPUT}" ${control})

# The archive's files sit in one folder named as the archive.
Archive_files(${tgz} archived)
get_filename_component(top ${tgz} NAME)
string(REPLACE ".tar.gz" "/" top ${top})
list(TRANSFORM archived REPLACE "^${top}" "")
set(expected bin/vorlix bin/vorlix-pauser
  share/man/man1/vorlix.1${MAN_SUFFIX} share/man/man1/vorlix-pauser.1${MAN_SUFFIX}
  share/doc/vorlix/README.md share/doc/vorlix/README.zh-CN.md share/doc/vorlix/copyright
  share/doc/vorlix/changelog${MAN_SUFFIX})
Expect_same_items("files in ${tgz}" ACTUAL ${archived} EXPECTED ${expected})
file(REMOVE_RECURSE ${OUT})
