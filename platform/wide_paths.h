// Paths in UTF-16 that the program's code page cannot spell. The program keeps its narrow
// Windows-1251 paths everywhere; a path from outside that holds other letters is turned into one
// of them where it comes in, with each such component replaced by its 8.3 alias, which names the
// same file.
#pragma once

#include <functional>
#include <string>

class WidePaths {
 public:
  virtual ~WidePaths() = default;
  // The path in the code page. Where a component has no alias, '?' for each letter the code
  // page lacks, which names no file: such a path is handled as a missing one.
  virtual std::string Narrow(const std::u16string& path) = 0;
  // The real name of path's last component when the code page cannot spell it; "" otherwise.
  virtual std::u16string LongName(const std::string& path) = 0;
  // Text of the code page in UTF-16.
  virtual std::u16string Widen(const std::string& text) = 0;
  // The path of a Unix file (its bytes UTF-8) as the program names it, whether or not the file
  // exists; "" where the program has no Unix files (the Windows build).
  virtual std::string FromUnix(const std::string& unixPath) = 0;
};

// True when name holds a character Windows forbids in a file name. Linux allows them, and Wine
// shows such a name as it is, which no Win32 file call opens: the file is reached by its alias.
bool WindowsForbids(const std::u16string& name);

// Builds *narrow from path component by component, splitting at '\\' and '/'. spell gives a
// component in the code page, false when it does not survive the round trip; alias gives the
// alias of the last component of the wide path up to it, with the narrow folder built so far
// (ending in its separator). A component Windows forbids takes its alias. False when a component
// has neither.
using AliasLookup =
    std::function<bool(const std::u16string& path, const std::string& folder, std::string*)>;
bool NarrowByComponents(const std::u16string& path,
                        const std::function<bool(const std::u16string&, std::string*)>& spell,
                        const AliasLookup& alias, std::string* narrow);

// Decodes bytes as UTF-8 into text; false when they are not valid UTF-8 (overlong forms,
// surrogates and values past U+10FFFF included).
bool DecodeUtf8(const std::string& bytes, std::u16string* text);
// The text as UTF-8; a lone surrogate becomes U+FFFD.
std::string EncodeUtf8(const std::u16string& text);

// The text of a playlist line when it is to be read as UTF-8: valid UTF-8 with a byte past
// ASCII. Windows-1251 letters are lead bytes without continuation bytes, so Cyrillic lines of the
// code page fail this and keep their bytes.
bool IsUtf8Line(const std::string& line, std::u16string* text);
