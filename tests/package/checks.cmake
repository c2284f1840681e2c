# Helpers for the install and package checks, which run as `cmake -P` scripts.

# Runs the command given as arguments; fails the check when it fails.
# Leaves its standard output in OUTPUT, its standard error in ERRORS.
function(Run_or_fail)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "${command} failed (${status}):\n${out}${err}")
  endif()
  set(OUTPUT "${out}" PARENT_SCOPE)
  set(ERRORS "${err}" PARENT_SCOPE)
endfunction()

# Expect_same_items(WHAT ACTUAL items... EXPECTED items...) fails unless both
# lists hold the same items, in any order.
function(Expect_same_items what)
  cmake_parse_arguments(ARG "" "" "ACTUAL;EXPECTED" ${ARGN})
  set(a ${ARG_ACTUAL})
  set(e ${ARG_EXPECTED})
  list(SORT a)
  list(SORT e)
  if(NOT "${a}" STREQUAL "${e}")
    string(REPLACE ";" "\n  " a "${a}")
    string(REPLACE ";" "\n  " e "${e}")
    message(FATAL_ERROR "${what}:\n  ${a}\nexpected:\n  ${e}")
  endif()
endfunction()

# Expect_matches(WHAT TEXT PATTERNS...) fails unless TEXT matches every
# regular expression given.
function(Expect_matches what text)
  foreach(pattern IN LISTS ARGN)
    if(NOT text MATCHES "${pattern}")
      message(FATAL_ERROR "${what} does not match ${pattern}:\n${text}")
    endif()
  endforeach()
endfunction()

# The file names in an archive that CMake can read (zip, tar.gz), one per
# item, directories left out.
function(Archive_files archive result)
  Run_or_fail(${CMAKE_COMMAND} -E tar tf ${archive})
  string(REGEX REPLACE "\n$" "" out "${OUTPUT}")
  string(REPLACE "\n" ";" names "${out}")
  list(FILTER names EXCLUDE REGEX "/$")
  set(${result} ${names} PARENT_SCOPE)
endfunction()
