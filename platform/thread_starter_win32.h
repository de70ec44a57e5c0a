// Threads started with CreateThread: a Winelib program may only call Win32 from those.
#pragma once

#include "platform/thread_starter.h"

// priority: a THREAD_PRIORITY_* value for every thread it starts.
ThreadStarter Win32ThreadStarter(int priority);
