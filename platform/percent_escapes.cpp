#include "platform/percent_escapes.h"

#include <cctype>

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

}  // namespace

int PercentEscapeAt(const std::string& text, size_t at) {
  if (at + 2 >= text.size() || text[at] != '%') return -1;
  int high = HexValue(text[at + 1]);
  int low = HexValue(text[at + 2]);
  return high < 0 || low < 0 ? -1 : high * 16 + low;
}

std::string PercentDecoded(const std::string& text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    int byte = PercentEscapeAt(text, i);
    if (byte < 0) {
      bytes += text[i];
      continue;
    }
    bytes += static_cast<char>(byte);
    i += 2;
  }
  return bytes;
}
