#include "app/platform.h"

Platform g_platform;
