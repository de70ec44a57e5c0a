// "config.cfg": the Settings and the twelve hotkey bindings, 80 lines read by position.
#pragma once

#include <string>

class TextReader;

// 0 when "config.cfg" was read; -1 when "hotkeys.txt" and -2 when "config.cfg" cannot be opened
// (Settings and bindings untouched then). Sets g_app.configLoaded on success.
int LoadConfig();
// Rewrites the whole file atomically. Does nothing while g_app.configLoaded is false, so that a
// start that could not read the file never replaces it with zeros.
void SaveConfig();
// The value of the next line: the text after its last '=', or the whole line without one; ""
// when the file has ended.
std::string ReadConfigValue(TextReader& reader, bool removeLineEnd);
