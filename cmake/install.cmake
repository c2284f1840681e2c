# Where `cmake --install` and the packages put things: the usual GNU layout
# (bin, share/man/man1, share/doc/vorlix), except on Windows, where the release
# is one flat folder holding the programs beside their documents.
include(GNUInstallDirs)

if(WIN32)
  set(VORLIX_BIN_DIR .)
  set(VORLIX_DOC_DIR .)
else()
  set(VORLIX_BIN_DIR ${CMAKE_INSTALL_BINDIR})
  set(VORLIX_DOC_DIR ${CMAKE_INSTALL_DOCDIR})
endif()

install(TARGETS vorlix vorlix-pauser RUNTIME DESTINATION ${VORLIX_BIN_DIR})
install(FILES README.md README.zh-CN.md DESTINATION ${VORLIX_DOC_DIR})
if(WIN32)
  install(FILES LICENSE DESTINATION ${VORLIX_DOC_DIR})
else()
  # Stripped for a package, the programs lose the compilers' notes as well
  # (.comment, which the C runtime's start files bring in whatever we compile).
  if(CMAKE_OBJCOPY)
    install(CODE "
      if(CMAKE_INSTALL_DO_STRIP)
        foreach(program vorlix vorlix-pauser)
          execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${VORLIX_BIN_DIR}/\${program}\")
        endforeach()
      endif()")
  endif()

  # The papers of a Debian package, in share/doc/vorlix on every POSIX install:
  # the changelog in Debian's format, and the copyright in the machine-readable
  # format with the licence of LICENSE, which it replaces there.
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
  string(REGEX MATCH "\nCopyright \\(c\\) ([^\n]+)" found "${license}")
  set(VORLIX_COPYRIGHT ${CMAKE_MATCH_1})
  string(REGEX REPLACE "^.*\nCopyright [^\n]*\n\n" "" terms "${license}")
  string(REGEX REPLACE "\n+$" "" terms "${terms}")
  string(REPLACE "\n\n" "\n.\n" terms "${terms}")  # an empty line is " ." in the format
  string(REPLACE "\n" "\n " VORLIX_LICENSE_TEXT " ${terms}")
  configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in ${PROJECT_BINARY_DIR}/copyright @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/copyright DESTINATION ${VORLIX_DOC_DIR})
endif()

# The manual pages take the version from the project, and are installed
# compressed where gzip is at hand, as man expects on Debian.
if(NOT WIN32)
  find_program(GZIP_PROGRAM gzip)
  set(VORLIX_MAN_PAGES)
  foreach(page vorlix.1 vorlix-pauser.1)
    set(roff ${PROJECT_BINARY_DIR}/man/${page})
    configure_file(${PROJECT_SOURCE_DIR}/man/${page}.in ${roff} @ONLY)
    if(GZIP_PROGRAM)
      add_custom_command(OUTPUT ${roff}.gz
        COMMAND ${GZIP_PROGRAM} -9nc ${roff} > ${roff}.gz
        DEPENDS ${roff}
        COMMENT "Compressing the manual page ${page}")
      list(APPEND VORLIX_MAN_PAGES ${roff}.gz)
    else()
      list(APPEND VORLIX_MAN_PAGES ${roff})
    endif()
  endforeach()
  add_custom_target(man_pages ALL DEPENDS ${VORLIX_MAN_PAGES})
  install(FILES ${VORLIX_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  # Compressed without a name or time, as Debian wants it and so that each
  # build makes the same bytes.
  set(changelog ${PROJECT_SOURCE_DIR}/packaging/changelog)
  file(STRINGS ${changelog} newest LIMIT_COUNT 1)
  if(NOT newest MATCHES "^vorlix \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog begins with \"${newest}\": "
      "give version ${PROJECT_VERSION} an entry on top")
  endif()
  if(GZIP_PROGRAM)
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/changelog.gz
      COMMAND ${GZIP_PROGRAM} -9nc ${changelog} > ${PROJECT_BINARY_DIR}/changelog.gz
      DEPENDS ${changelog}
      COMMENT "Compressing the changelog")
    add_custom_target(changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.gz)
    install(FILES ${PROJECT_BINARY_DIR}/changelog.gz DESTINATION ${VORLIX_DOC_DIR})
  else()
    install(FILES ${changelog} DESTINATION ${VORLIX_DOC_DIR})
  endif()
endif()
