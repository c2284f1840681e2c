# CPack: on Linux a .deb (dependencies computed from the binaries) and a
# .tar.gz; on Windows the release ZIP. Run `cpack` in the build directory.
set(CPACK_PACKAGE_NAME vorlix)
set(CPACK_PACKAGE_VENDOR "The Vorlix team")
set(CPACK_PACKAGE_CONTACT "The Vorlix team <vorlix@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "console tool that compiles and runs single-file C++ programs")
set(CPACK_PACKAGE_DESCRIPTION
  "Vorlix is a small interactive console tool, speaking Simplified Chinese, for
people who write single-file C++ programs. From a numbered menu the user types
the path of a .cpp file; Vorlix compiles it with the configured g++ into an
executable beside the source and starts it in a new terminal window, directly
or through its companion pauser vorlix-pauser, which keeps the window open and
reports how long the program ran and what it returned.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR TGZ)
# Bracketed rather than escaped: CPack writes these into a file it reads
# again, where a backslash escape would be one too many.
set(CPACK_SOURCE_IGNORE_FILES "/[.]git" "/build/" "/build-[^/]*/")

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME vorlix-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB TGZ)
  string(TOLOWER ${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR} VORLIX_SYSTEM)
  set(CPACK_PACKAGE_FILE_NAME vorlix-${PROJECT_VERSION}-${VORLIX_SYSTEM})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "g++")
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
endif()

include(CPack)
