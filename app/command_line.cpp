#include "app/command_line.h"

#include <cstring>

namespace {

// Wine writes a '"' of an argument (a Linux name may hold one) as '\"', the backslashes before it
// doubled. Windows names hold no '"', so elsewhere a backslash is a separator and stays.
template <typename String>
String WithoutEscapedQuotes(const String& text) {
  String result;
  size_t backslashes = 0;
  for (auto c : text) {
    if (c == '"' && backslashes % 2 == 1) result.erase(result.size() - (backslashes + 1) / 2);
    backslashes = c == '\\' ? backslashes + 1 : 0;
    result += c;
  }
  return result;
}

template <typename String>
String LaunchPath(const String& commandLine) {
  const typename String::value_type blanks[] = {' ', '\t', 0};
  size_t first = commandLine.find_first_not_of(blanks);
  if (first == String::npos) return String();
  size_t last = commandLine.find_last_not_of(blanks);
  String line = commandLine.substr(first, last - first + 1);
  if (line.front() != '"') return WithoutEscapedQuotes(line);
  // An opening quote without its closing one: the rest is the path.
  if (line.size() < 2 || line.back() != '"') return WithoutEscapedQuotes(line.substr(1));
  String path = line.substr(1, line.size() - 2);
  // Before the closing quote Wine doubles the backslashes ("Z:\my dir\\"); a single one is the
  // shell's folder path ("D:\").
  size_t kept = path.find_last_not_of('\\');
  size_t trailing = path.size() - (kept == String::npos ? 0 : kept + 1);
  if (trailing % 2 == 0) path.erase(path.size() - trailing / 2);
  return WithoutEscapedQuotes(path);
}

}  // namespace

std::string LaunchPathFromCommandLine(const std::string& commandLine) {
  return LaunchPath(commandLine);
}

std::u16string LaunchPathFromCommandLine(const std::u16string& commandLine) {
  return LaunchPath(commandLine);
}

std::u16string ArgumentsOfCommandLine(const std::u16string& commandLine) {
  // The program's name ends at the first blank outside quotes; a quote after an odd number of
  // backslashes is part of the name.
  size_t i = 0;
  size_t backslashes = 0;
  bool quoted = false;
  for (; i < commandLine.size(); ++i) {
    char16_t c = commandLine[i];
    if ((c == ' ' || c == '\t') && !quoted) break;
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"' && backslashes % 2 == 0) quoted = !quoted;
    backslashes = 0;
  }
  while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
  return commandLine.substr(i);
}

const char* NativeLaunchArgument(int argc, const char* const* argv) {
  int first = 1;
  if (argc > first && strcmp(argv[first], "--at-login") == 0) ++first;
  return argc > first ? argv[first] : nullptr;
}

std::string HandOverText(const void* data, size_t size) {
  if (data == nullptr) return "";
  if (size > kHandOverSize) size = kHandOverSize;
  const char* text = static_cast<const char*>(data);
  const void* nul = memchr(text, '\0', size);
  return std::string(text, nul ? static_cast<const char*>(nul) - text : size);
}

bool PackHandOver(const std::string& path, char (&buffer)[kHandOverSize]) {
  if (path.size() >= kHandOverSize) return false;
  memset(buffer, 0, kHandOverSize);
  memcpy(buffer, path.data(), path.size());
  return true;
}

std::string ProgramDirectoryOf(const std::string& programFilePath) {
  size_t slash = programFilePath.rfind('\\');
  if (slash == std::string::npos) return programFilePath;
  return programFilePath.substr(0, slash + 1);
}
