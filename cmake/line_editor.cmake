# The POSIX line editor: libedit when it is installed, else the terminal's own
# line input. Keeps one of posix/line_editor.cpp and posix/line_editor_plain.cpp
# in VORLIX_PLATFORM and sets VORLIX_LINE_EDITOR_LIBRARIES.
set(VORLIX_LINE_EDITOR_LIBRARIES "")
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(LIBEDIT QUIET IMPORTED_TARGET libedit)
endif()
if(LIBEDIT_FOUND)
  set(VORLIX_LINE_EDITOR_LIBRARIES PkgConfig::LIBEDIT)
else()
  find_path(LIBEDIT_INCLUDE_DIR histedit.h)
  find_library(LIBEDIT_LIBRARY edit)
  if(LIBEDIT_INCLUDE_DIR AND LIBEDIT_LIBRARY)
    add_library(vorlix_libedit INTERFACE)
    target_include_directories(vorlix_libedit INTERFACE ${LIBEDIT_INCLUDE_DIR})
    target_link_libraries(vorlix_libedit INTERFACE ${LIBEDIT_LIBRARY})
    set(VORLIX_LINE_EDITOR_LIBRARIES vorlix_libedit)
  endif()
endif()

if(VORLIX_LINE_EDITOR_LIBRARIES)
  message(STATUS "Line editing: libedit")
  list(FILTER VORLIX_PLATFORM EXCLUDE REGEX "/line_editor_plain\\.cpp$")
else()
  message(WARNING "libedit not found (Debian: libedit-dev): lines on a terminal are read without "
                  "editing, history or completion")
  list(FILTER VORLIX_PLATFORM EXCLUDE REGEX "/line_editor\\.cpp$")
endif()
