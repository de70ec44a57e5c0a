#include "core/app_state.h"

ApplicationState g_app;

void ResetApplicationState() {
  g_app = ApplicationState();
}
