# nlohmann/json, header-only (Debian: nlohmann-json3-dev), for the problem
# receiver. VORLIX_JSON_INCLUDE is a folder that holds nlohmann/json.hpp and
# nothing else the build could pick up by mistake: the native build uses the
# folder it is installed in; a cross build (MinGW-w64) gets a copy of the
# nlohmann folder alone, since the host's /usr/include, with its glibc
# headers, must never reach the Windows compiler.
find_path(VORLIX_JSON_FOUND_IN nlohmann/json.hpp
  PATHS /usr/include /usr/local/include
  NO_CMAKE_FIND_ROOT_PATH)
if(NOT VORLIX_JSON_FOUND_IN)
  message(FATAL_ERROR "nlohmann/json was not found. Install it (on Debian: apt-get install "
                      "nlohmann-json3-dev) or point CMake at it with -DVORLIX_JSON_FOUND_IN=DIR.")
endif()
if(CMAKE_CROSSCOMPILING)
  set(VORLIX_JSON_INCLUDE ${CMAKE_BINARY_DIR}/json-include)
  file(COPY ${VORLIX_JSON_FOUND_IN}/nlohmann DESTINATION ${VORLIX_JSON_INCLUDE})
else()
  set(VORLIX_JSON_INCLUDE ${VORLIX_JSON_FOUND_IN})
endif()
