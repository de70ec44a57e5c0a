// The desktop's media controls for the main window. In the Winelib build an MPRIS server on the
// session bus, whose thread posts requests to the window; in the Windows build nothing.
#pragma once

#include <windows.h>

// Posted to the main window when requests from the bus wait.
constexpr UINT kMediaRequestMessage = WM_APP + 0x4D;

class BusCompanion;

// Starts the bus thread; silent when there is no session bus or the name is taken. The companion
// (null for none) is served on the same connection and thread.
void StartMediaControls(HWND window, BusCompanion* companion);
// Wakes the bus thread, so that the companion takes what was published for it.
void WakeMediaControls();
// Carries out the waiting requests as the matching commands do. None once the exit has begun:
// those are refused when the bus thread stops.
void RunMediaRequests(HWND window);
// The requests are held from the start until this is called, once StartUp has returned.
void ReleaseMediaRequests(HWND window);
// Hands the player's state to the bus thread when it differs from what it has; cheap when
// nothing changed. Called after each command and each monitor pass.
void PublishMediaState();
// Releases the bus name and ends the thread.
void StopMediaControls();
