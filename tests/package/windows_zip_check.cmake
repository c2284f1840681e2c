# cpack on the Windows cross build BUILD makes vorlix-VERSION-win64.zip: the
# two programs, stripped, beside README and LICENSE, with no folders.
include(${CMAKE_CURRENT_LIST_DIR}/checks.cmake)

set(zip ${BUILD}/vorlix-${VERSION}-win64.zip)
file(REMOVE ${zip})
Run_or_fail(${CPACK} --config ${BUILD}/CPackConfig.cmake -G ZIP -B ${BUILD})
if(NOT EXISTS ${zip})
  message(FATAL_ERROR "cpack made no ${zip}")
endif()

Archive_files(${zip} archived)
set(expected vorlix.exe vorlix-pauser.exe README.md README.zh-CN.md LICENSE)
Expect_same_items("files in ${zip}" ACTUAL ${archived} EXPECTED ${expected})

# Stripped: each program in the ZIP is smaller than the one the build made.
set(unpacked ${BUILD}/zip-contents)
file(REMOVE_RECURSE ${unpacked})
file(MAKE_DIRECTORY ${unpacked})
Run_or_fail(${CMAKE_COMMAND} -E chdir ${unpacked} ${CMAKE_COMMAND} -E tar xf ${zip})
foreach(program vorlix.exe vorlix-pauser.exe)
  file(SIZE ${unpacked}/${program} packed)
  file(SIZE ${BUILD}/${program} built)
  if(NOT packed LESS built)
    message(FATAL_ERROR "${program} in the ZIP is not stripped (${packed} bytes, built ${built})")
  endif()
endforeach()
file(REMOVE_RECURSE ${unpacked})
