// "config.cfg": the Settings and a binding per hotkey action, read by position: eight lines,
// then six per action in the action table's order (80 for today's twelve).
#pragma once

#include <cstdint>
#include <string>

class SettingsSaver;
class TextReader;

// 0 when "config.cfg" was read; -1 when "hotkeys.txt" and -2 when "config.cfg" cannot be opened
// (Settings and bindings untouched then). Sets g_app.configLoaded on success. Lines missing at
// the end of a short file read as empty values: names "" and codes 0.
int LoadConfig();
// Rewrites the whole file atomically. Does nothing while g_app.configLoaded is false, so that a
// start that could not read the file never replaces it with zeros.
void SaveConfig();
// The saver that writes "config.cfg" as SaveConfig does, for the player.
SettingsSaver& ConfigFileSaver();
// The value of the next line: the text after its last '=', or the whole line without one; ""
// when the file has ended. Without removeLineEnd the line feed stays part of the value.
std::string ReadConfigValue(TextReader& reader, bool removeLineEnd);
// A value as a number the way C's atoi reads it (leading blanks, a sign, then digits; no digits
// give 0), independent of the locale; a number beyond the 32-bit range is clamped to it.
int32_t ConfigTextToInt(const std::string& text);
// The lines of the file, joined with line feeds and none after the last.
std::string ConfigFileText();
