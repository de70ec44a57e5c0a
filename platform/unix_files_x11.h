// The Unix side of the Winelib program, for the few files it keeps outside the Wine prefix (the
// desktop session's login entry). Paths here are Unix paths, not the program's Windows paths.
#pragma once

#include <string>

class FileSystem;

// The POSIX file system, whose writes are the same atomic ones as the program's own files.
FileSystem& UnixFiles();
// Creates the folders that lead to path; false when one cannot be made.
bool MakeUnixFoldersFor(const std::string& path);
// The Linux path of the program itself (Tunlark.exe.so); empty when it cannot be told.
std::string UnixProgramFile();
bool IsUnixExecutable(const std::string& path);
