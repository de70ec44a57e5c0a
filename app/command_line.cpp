#include "app/command_line.h"

#include <cstring>

std::string LaunchPathFromCommandLine(const std::string& commandLine) {
  size_t first = commandLine.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  size_t last = commandLine.find_last_not_of(" \t");
  std::string line = commandLine.substr(first, last - first + 1);
  if (line.front() != '"') return line;
  if (line.size() >= 2 && line.back() == '"') return line.substr(1, line.size() - 2);
  // An opening quote without its closing one: the rest is the path.
  return line.substr(1);
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
