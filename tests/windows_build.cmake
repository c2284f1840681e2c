# Configures and builds the Windows programs with the MinGW-w64 toolchain file;
# any compiler warning fails the build, and so does a program that needs a DLL
# beyond the system's.
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

# Each program imports only DLLs that every Windows has: the MinGW runtime is
# linked in, so a ZIP of the two programs runs without anything beside them.
# Winsock (ws2_32.dll, the receiver's sockets) is part of every Windows.
if(NOT OBJDUMP)
  message(FATAL_ERROR "x86_64-w64-mingw32-objdump not found: it comes with MinGW-w64's binutils")
endif()
foreach(program vorlix.exe vorlix-pauser.exe)
  execute_process(COMMAND ${OBJDUMP} -p ${BINARY}/${program} OUTPUT_VARIABLE headers
                  RESULT_VARIABLE dumped)
  string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${headers}")
  if(NOT dumped EQUAL 0 OR NOT imports)
    message(FATAL_ERROR "cannot read the imports of ${program}")
  endif()
  foreach(import ${imports})
    string(REPLACE "DLL Name: " "" dll "${import}")
    string(TOLOWER "${dll}" dll_lower)
    if(NOT dll_lower MATCHES "^(kernel32|msvcrt|ucrtbase|shell32|user32|advapi32|ws2_32|api-ms-win-[a-z0-9-]+)\\.dll$")
      message(FATAL_ERROR "${program} needs ${dll}, which Windows does not have")
    endif()
  endforeach()
endforeach()
