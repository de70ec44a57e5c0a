#include "platform/file_extension.h"

std::string LowerExtension(const std::string& path) {
  size_t dot = path.rfind('.');
  if (dot == std::string::npos) return std::string();
  std::string extension = path.substr(dot + 1);
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return extension;
}
