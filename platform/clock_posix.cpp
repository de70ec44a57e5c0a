#include "platform/clock_posix.h"

#include <time.h>

#include "platform/platform.h"

namespace {

class MonotonicTicks : public Clock {
 public:
  uint32_t TickCount() override {
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Wraps at 2^32 as GetTickCount does; the monitor compares ticks by their difference.
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000u);
  }
};

}  // namespace

Clock* MonotonicClock() {
  // Stateless; static only so that g_platform.clock can point at it for the whole run.
  static MonotonicTicks clock;
  return &clock;
}
