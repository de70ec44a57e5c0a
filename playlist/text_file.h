// Text files as the program reads and writes them: CR LF on disk, a line feed in memory.
#pragma once

#include <string>

// Reads the lines of a file's bytes. A CR LF pair reads as one line feed; a lone CR stays.
class TextReader {
 public:
  explicit TextReader(std::string bytes = std::string());
  // The next line without its line feed; false at the end of the text. A line is never split,
  // whatever its length; bytes are taken as they stand. endedWithLineFeed, when given, tells
  // whether a line feed ended the line (false only for a last line without one).
  bool ReadLine(std::string* line, bool* endedWithLineFeed = nullptr);
  // Reads at most maxChars characters, stopping after a line feed; false when nothing is left.
  // The line feed, when read, is part of the result. Used for the fixed first lines.
  bool ReadChars(size_t maxChars, std::string* text);
  bool AtEnd() const { return position_ >= text_.size(); }

 private:
  std::string text_;  // already in memory form: CR LF pairs turned into line feeds
  size_t position_ = 0;
};

// Opens a text file through the platform's file system; false when it cannot be read.
bool OpenTextFile(const std::string& path, TextReader* reader);

// Turns each line feed into CR LF, as text mode writes it.
std::string ToTextMode(const std::string& text);
// Turns each CR LF pair into a line feed, as text mode reads it; a lone CR stays.
std::string FromTextMode(const std::string& bytes);
