#include "platform/clock_win32.h"

#include <windows.h>

#include "platform/platform.h"

namespace {

class TickClock : public Clock {
 public:
  uint32_t TickCount() override { return GetTickCount(); }
};

}  // namespace

Clock* Win32Clock() {
  static TickClock clock;
  return &clock;
}
