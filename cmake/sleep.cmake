# How the POSIX build sleeps to a deadline: clock_nanosleep with TIMER_ABSTIME
# where the system has it (Linux, the BSDs), the standard library's
# sleep_until elsewhere (macOS). VORLIX_SLEEP_FALLBACK forces the latter, so
# that it can be tried on a system that has both.
option(VORLIX_SLEEP_FALLBACK "Sleep with std::this_thread::sleep_until even where clock_nanosleep exists" OFF)
include(CheckCXXSourceCompiles)
check_cxx_source_compiles("
#include <time.h>
int main() {
  timespec ts = {0, 0};
  return clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr);
}" VORLIX_HAVE_CLOCK_NANOSLEEP)
if(VORLIX_HAVE_CLOCK_NANOSLEEP AND NOT VORLIX_SLEEP_FALLBACK)
  target_compile_definitions(vorlix_platform PRIVATE VORLIX_HAVE_CLOCK_NANOSLEEP)
  message(STATUS "Sleeping: clock_nanosleep")
else()
  message(STATUS "Sleeping: std::this_thread::sleep_until")
endif()
