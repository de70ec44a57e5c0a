// The shortcut to the program in the user's Startup folder, kept in line with Autoload.
#pragma once

// Creates the shortcut when Autoload is set, deletes it otherwise. A Startup folder path that is
// missing or too long skips the step.
void ApplyAutostart();
