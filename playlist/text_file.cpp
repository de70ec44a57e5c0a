#include "playlist/text_file.h"

#include <utility>

#include "platform/file_system.h"
#include "platform/platform.h"

std::string FromTextMode(const std::string& bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text.push_back(bytes[i]);
  }
  return text;
}

std::string ToTextMode(const std::string& text) {
  std::string bytes;
  bytes.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') bytes.push_back('\r');
    bytes.push_back(c);
  }
  return bytes;
}

TextReader::TextReader(std::string bytes) : text_(FromTextMode(bytes)) {}

bool TextReader::ReadLine(std::string* line, bool* endedWithLineFeed) {
  if (AtEnd()) return false;
  size_t end = text_.find('\n', position_);
  bool lineFeed = end != std::string::npos;
  if (!lineFeed) end = text_.size();
  line->assign(text_, position_, end - position_);
  position_ = lineFeed ? end + 1 : end;
  if (endedWithLineFeed) *endedWithLineFeed = lineFeed;
  return true;
}

bool TextReader::ReadChars(size_t maxChars, std::string* text) {
  if (AtEnd() || maxChars == 0) return false;
  size_t end = text_.find('\n', position_);
  end = end == std::string::npos ? text_.size() : end + 1;
  if (end - position_ > maxChars) end = position_ + maxChars;
  text->assign(text_, position_, end - position_);
  position_ = end;
  return true;
}

bool OpenTextFile(const std::string& path, TextReader* reader) {
  std::string bytes;
  if (!g_platform.files || !g_platform.files->ReadWholeFile(path, &bytes)) return false;
  *reader = TextReader(std::move(bytes));
  return true;
}
