#include "settings/xdg_autostart.h"

#include <vector>

namespace {

bool IsAbsolute(const char* path) {
  return path != nullptr && path[0] == '/';
}

std::string FolderOf(const std::string& path) {
  std::string::size_type slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string JoinExec(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& argument : arguments) {
    if (!line.empty()) line += ' ';
    line += QuoteExecArgument(argument);
  }
  return line;
}

}  // namespace

std::string XdgAutostartPath(const char* xdgConfigHome, const char* home) {
  if (IsAbsolute(xdgConfigHome)) return std::string(xdgConfigHome) + "/autostart/tunlark.desktop";
  if (IsAbsolute(home)) return std::string(home) + "/.config/autostart/tunlark.desktop";
  return std::string();
}

std::string QuoteExecArgument(const std::string& argument) {
  static const std::string kReserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string text;
  for (char c : argument) {
    if (c == '%') text += '%';  // a lone % would start a field code
    text += c;
  }
  if (text.empty() || text.find_first_of(kReserved) != std::string::npos) {
    std::string quoted = "\"";
    for (char c : text) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
      quoted += c;
    }
    text = quoted + "\"";
  }
  // The key's value is itself a string in which a backslash is written twice.
  std::string value;
  for (char c : text) {
    if (c == '\\') value += '\\';
    value += c;
  }
  return value;
}

std::string XdgAutostartExec(const std::string& programFile, bool hasLauncher,
                             const char* winePrefix, const char* home, const char* lang,
                             const char* lcAll) {
  if (hasLauncher) return JoinExec({FolderOf(programFile) + "/tunlark", "--at-login"});
  std::vector<std::string> arguments = {"env"};
  if (winePrefix != nullptr && winePrefix[0] != 0)
    arguments.push_back(std::string("WINEPREFIX=") + winePrefix);
  else if (IsAbsolute(home))
    arguments.push_back(std::string("WINEPREFIX=") + home + "/.wine");
  // Wine takes its ANSI code page from the locale.
  if (lang != nullptr && lang[0] != 0) arguments.push_back(std::string("LANG=") + lang);
  if (lcAll != nullptr && lcAll[0] != 0) arguments.push_back(std::string("LC_ALL=") + lcAll);
  arguments.push_back("WINEDEBUG=-all");
  arguments.push_back("wine");
  arguments.push_back(programFile);
  return JoinExec(arguments);
}

std::string XdgAutostartNativeExec(const std::string& programFile) {
  return JoinExec({programFile});
}

std::string XdgAutostartEntry(const std::string& exec) {
  // A line break would end the Exec line and let the rest of a path become keys of its own.
  if (exec.find_first_of("\r\n") != std::string::npos) return std::string();
  std::string newline = "\n";
  // A desktop entry is UTF-8, whatever code page the program's own texts are in.
  std::string comment =
      reinterpret_cast<const char*>(u8"Проигрыватель музыки в области уведомлений");
  return "[Desktop Entry]" + newline + "Type=Application" + newline + "Name=Tunlark" + newline +
         "Comment=" + comment + newline + "Exec=" + exec + newline + "Icon=tunlark" + newline +
         "Terminal=false" + newline + "X-GNOME-Autostart-enabled=true" + newline;
}
