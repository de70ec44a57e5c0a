// The file system over the Win32 file calls, which take the program's Windows paths.
#pragma once

#include <memory>

class FileSystem;

std::unique_ptr<FileSystem> CreateWin32FileSystem();
