// A file's type as its name tells it, for the file-type table and the engine's choice of decoder.
#pragma once

#include <string>

// The extension after the last dot of the whole path, lower-cased in ASCII only: bytes above 127
// are letters of the code page (or of UTF-8) and stay as they are. "" without a dot.
std::string LowerExtension(const std::string& path);
