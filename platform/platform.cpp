#include "platform/platform.h"

// Read by the core's file, playlist and settings steps that do not take their interfaces yet;
// installed once at start-up (tests install fakes).
Platform g_platform;
