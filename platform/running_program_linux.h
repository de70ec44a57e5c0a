#pragma once

#include <unistd.h>

#include <string>

// The running program's file, from /proc/self/exe; empty when it cannot be read.
inline std::string RunningProgramFile() {
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof path) return {};
  return std::string(path, static_cast<size_t>(length));
}

// The folder of a program file, ending in '/', where its modules and files live; empty when
// unknown.
inline std::string ProgramFolderOf(const std::string& file) {
  size_t slash = file.rfind('/');
  return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}
