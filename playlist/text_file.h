// Text files as the program reads and writes them: CR LF on disk, a line feed in memory.
#pragma once

#include <string>

// Reads the lines of a file's bytes. A CR LF pair reads as one line feed; a lone CR stays.
class TextReader {
 public:
  explicit TextReader(std::string bytes);
  // The next line without its line feed; false at the end of the text. A line is never split,
  // whatever its length; bytes are taken as they stand.
  bool ReadLine(std::string* line);
  // Reads at most maxChars characters, stopping after a line feed; false when nothing is left.
  // The line feed, when read, is part of the result. Used for the fixed first lines.
  bool ReadChars(size_t maxChars, std::string* text);

 private:
  std::string text_;
  size_t position_ = 0;
};

// Opens a text file through the platform's file system; false when it cannot be read.
bool OpenTextFile(const std::string& path, TextReader* reader);

// Turns each line feed into CR LF, as text mode writes it.
std::string ToTextMode(const std::string& text);
