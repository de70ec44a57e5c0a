// The tick count of POSIX systems: milliseconds of the monotonic clock.
#pragma once

class Clock;

Clock* MonotonicClock();
