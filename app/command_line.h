// The paths that reach the program from outside: the command line, the hand-over between two
// instances, and the program's own file name.
#pragma once

#include <cstddef>
#include <string>

// The hand-over buffer: a path of at most 511 bytes and its NUL.
constexpr size_t kHandOverSize = 512;

// The path a command line names. The shell passes a path in double quotes, and Wine quotes only
// arguments that contain blanks: a quoted line loses its quotes, an unquoted one is taken whole.
// Blanks around the whole line are dropped first. A '"' that Wine escaped (a Linux name may hold
// one) is a quote in the path.
std::string LaunchPathFromCommandLine(const std::string& commandLine);
std::u16string LaunchPathFromCommandLine(const std::u16string& commandLine);

// The path argument of the native program's argv, or null. Login entries written for the
// launcher of the player under Wine start the same file with "--at-login" before any path; the
// flag names no track and is passed over.
const char* NativeLaunchArgument(int argc, const char* const* argv);

// What follows the program's name and the blanks after it in a whole command line (as
// GetCommandLineW gives it), cut where WinMain's narrow line starts.
std::u16string ArgumentsOfCommandLine(const std::u16string& commandLine);

// The text of a received hand-over: up to the first NUL, and never past size bytes or the
// 512-byte buffer, whatever the sender claims. Null data gives "".
std::string HandOverText(const void* data, size_t size);

// Copies path with its NUL into buffer; false when it does not fit, so that nothing is sent
// rather than a cut path that names another file.
bool PackHandOver(const std::string& path, char (&buffer)[kHandOverSize]);

// The folder of a program file, up to and including its last backslash; the whole path when it
// has none.
std::string ProgramDirectoryOf(const std::string& programFilePath);
