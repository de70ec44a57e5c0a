// The player proper is a module that the program file loads only once it knows it is to run the
// player: a later start hands its path over with the few libraries that takes, and ends.
#pragma once

// Beside the program file.
constexpr char kPlayerModuleFile[] = "tunlark-player.so";
constexpr char kPlayerEntryName[] = "TunlarkPlayerMain";

// Claims the instance (or hands launchPath over after all) and runs the player; the process's
// exit code. launchPath is absolute, or "" for none.
using PlayerEntry = int (*)(int argc, char** argv, const char* launchPath);
extern "C" int TunlarkPlayerMain(int argc, char** argv, const char* launchPath);

// Set by the program file for GTK (unless the user set it); what the player starts gets the
// environment without it.
constexpr char kNoToolkitGl[] = "GDK_GL";
