// Sleeping. The ordinary timer, and Sleep, wake on the 15.6 ms system tick;
// only the high-resolution timer makes a 1 ms pause last about 1 ms.
#include "platform/platform.h"
#include "platform/windows/internal.h"

// Older SDK headers lack the flag; systems that do not know it refuse it.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {

HANDLE Make_sleep_timer() {
  const DWORD access = TIMER_MODIFY_STATE | SYNCHRONIZE;
  HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                        access);
  if (timer == nullptr) timer = CreateWaitableTimerExW(nullptr, nullptr, 0, access);
  return timer;
}

}  // namespace

void Sleep_until(std::chrono::steady_clock::time_point deadline) {
  const auto left = deadline - std::chrono::steady_clock::now();
  if (left <= std::chrono::steady_clock::duration::zero()) return;
  const long long ticks =
      (std::chrono::duration_cast<std::chrono::nanoseconds>(left).count() + 99) / 100;
  static const HANDLE timer = Make_sleep_timer();
  LARGE_INTEGER due;
  due.QuadPart = -ticks;  // negative: relative to now, in 100 ns ticks
  if (timer != nullptr && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE) &&
      WaitForSingleObject(timer, INFINITE) == WAIT_OBJECT_0)
    return;
  Sleep(static_cast<DWORD>((ticks + 9999) / 10000));
}
