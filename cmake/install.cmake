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
install(FILES README.md README.zh-CN.md LICENSE DESTINATION ${VORLIX_DOC_DIR})

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
endif()
