// Sleeping to an absolute deadline, so that oversleeping one pause does not
// delay the next: with clock_nanosleep where the system has it with
// TIMER_ABSTIME (the build checks, VORLIX_HAVE_CLOCK_NANOSLEEP), else (macOS,
// say) with the standard library's sleep to a time point.
#include <cerrno>
#include <ctime>
#include <thread>

#include "platform/platform.h"

void Sleep_until(std::chrono::steady_clock::time_point deadline) {
#ifdef VORLIX_HAVE_CLOCK_NANOSLEEP
  // steady_clock is CLOCK_MONOTONIC on every system where this is built.
  const auto since_epoch = deadline.time_since_epoch();
  const auto secs = std::chrono::duration_cast<std::chrono::seconds>(since_epoch);
  timespec ts;
  ts.tv_sec = static_cast<time_t>(secs.count());
  ts.tv_nsec = static_cast<long>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch - secs).count());
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
#else
  std::this_thread::sleep_until(deadline);
#endif
}
