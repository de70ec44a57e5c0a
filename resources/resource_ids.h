/* The ids of the program's resources: the tray menu and its commands, the two dialogs and their
   controls, and the icons. The .rc scripts and the C++ include this file, and the end-to-end
   tests read it (tests/e2e/resource_ids.py), so each id is written here only. Plain #define lines,
   as the resource compilers need. The hotkey ids are those of the hotkey action table. */
#pragma once

/* The tray menu and its commands (WM_COMMAND). */
#define IDR_TRAY_MENU 102
#define IDM_EXIT 40007
#define IDM_PLAY 40024
#define IDM_PREVIOUS 40025
#define IDM_PAUSE 40026
#define IDM_STOP 40027
#define IDM_NEXT 40028
#define IDM_OPEN_FOLDER 40033
#define IDM_OPEN_FILE 40034
#define IDM_REWIND_BACK 40045
#define IDM_REWIND_FORWARD 40046
#define IDM_HELP 40047
#define IDM_ABOUT 40048
#define IDM_HOTKEYS 40053
#define IDM_OPTIONS 40055

/* The hotkeys dialog. Action k of the hotkey table has three lists from IDC_HOTKEY_BOXES + 3k:
   the two modifiers, then the key. */
#define IDD_HOTKEYS 101
#define IDC_HOTKEYS_OK 1002
#define IDC_HOTKEY_BOXES 1007

/* The options dialog. */
#define IDD_OPTIONS 133
#define IDC_OPTIONS_OK 1006
#define IDC_REPEAT 1010
#define IDC_SHUFFLE 1011
#define IDC_MUTE 1012
#define IDC_AUTOLOAD 1013
#define IDC_AUTOPLAY 1014

/* Icons: the window's, the tray's states, and the volume levels from full to silent. */
#define IDI_WINDOW 113
#define IDI_STOPPED 114
#define IDI_PAUSED 116
#define IDI_MUTED 117
#define IDI_LEVEL_100 118
#define IDI_LEVEL_95 119
#define IDI_LEVEL_90 120
#define IDI_LEVEL_80 121
#define IDI_LEVEL_70 122
#define IDI_LEVEL_60 123
#define IDI_LEVEL_50 124
#define IDI_LEVEL_40 125
#define IDI_LEVEL_30 126
#define IDI_LEVEL_20 127
#define IDI_LEVEL_10 128
#define IDI_LEVEL_1 129
#define IDI_LEVEL_0 130
