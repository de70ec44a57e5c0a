#include "core/app_state.h"

// The one process-wide state of the design: every operation reads and changes it.
ApplicationState g_app;

void ResetApplicationState() {
  g_app = ApplicationState();
}
