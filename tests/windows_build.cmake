# Configures and builds the Windows programs with a MinGW-w64 cross compiler;
# any compiler warning fails the build.
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY} -DCMAKE_SYSTEM_NAME=Windows
          -DCMAKE_CXX_COMPILER=${CXX} -DVORLIX_TESTS=OFF "-DCMAKE_CXX_FLAGS=-Werror"
          "-DCMAKE_EXE_LINKER_FLAGS=-static"
  RESULT_VARIABLE configured)
if(NOT configured EQUAL 0)
  message(FATAL_ERROR "configuring the Windows build failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY} RESULT_VARIABLE built)
if(NOT built EQUAL 0 OR NOT EXISTS ${BINARY}/vorlix.exe)
  message(FATAL_ERROR "the Windows build failed")
endif()
