#include "platform/platform.h"

Platform g_platform;
