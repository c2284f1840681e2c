# Configures and builds the Windows programs with the MinGW-w64 toolchain file;
# any compiler warning fails the build.
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY}
          -DCMAKE_TOOLCHAIN_FILE=${SOURCE}/cmake/mingw-w64.cmake -DVORLIX_TESTS=OFF
          "-DCMAKE_CXX_FLAGS=-Werror"
  RESULT_VARIABLE configured)
if(NOT configured EQUAL 0)
  message(FATAL_ERROR "configuring the Windows build failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY} RESULT_VARIABLE built)
if(NOT built EQUAL 0 OR NOT EXISTS ${BINARY}/vorlix.exe OR NOT EXISTS ${BINARY}/vorlix-pauser.exe)
  message(FATAL_ERROR "the Windows build failed")
endif()
