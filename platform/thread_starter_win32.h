// Threads started with CreateThread: a Winelib program may only call Win32 from those.
#pragma once

#include "platform/thread_starter.h"

ThreadStarter Win32ThreadStarter();
