#include "settings/xdg_autostart.h"

#include <gtest/gtest.h>

TEST(XdgAutostartTest, PathFollowsConfigHomeThenHome) {
  EXPECT_EQ(XdgAutostartPath("/cfg", "/home/u"), "/cfg/autostart/tunlark.desktop");
  EXPECT_EQ(XdgAutostartPath(nullptr, "/home/u"), "/home/u/.config/autostart/tunlark.desktop");
  // A relative or empty XDG_CONFIG_HOME is ignored, as the base directory rules say.
  EXPECT_EQ(XdgAutostartPath("cfg", "/home/u"), "/home/u/.config/autostart/tunlark.desktop");
  EXPECT_EQ(XdgAutostartPath("", "/home/u"), "/home/u/.config/autostart/tunlark.desktop");
  EXPECT_EQ(XdgAutostartPath(nullptr, nullptr), "");
  EXPECT_EQ(XdgAutostartPath(nullptr, "relative"), "");
}

TEST(XdgAutostartTest, ExecArgumentsAreQuotedOnlyWhenNeeded) {
  struct Case {
    const char* argument;
    const char* written;
  };
  const Case cases[] = {
      {"/home/u/.local/share/tunlark/tunlark", "/home/u/.local/share/tunlark/tunlark"},
      {"/home/my user/t", "\"/home/my user/t\""},
      {"/a'b", "\"/a'b\""},
      {"/50%", "/50%%"},
      {"/a\"b", "\"/a\\\\\"b\""},  // \" inside the quotes, its backslash doubled
      {"/a$b`c", "\"/a\\\\$b\\\\`c\""},
      {"/a\\b", "\"/a\\\\\\\\b\""},  // \\ inside the quotes, each backslash doubled
      {"", "\"\""},
  };
  for (const Case& c : cases) EXPECT_EQ(QuoteExecArgument(c.argument), c.written) << c.argument;
}

TEST(XdgAutostartTest, ExecUsesTheLauncherBesideTheProgramWhenInstalled) {
  EXPECT_EQ(XdgAutostartExec("/home/u/.local/share/tunlark/Tunlark.exe.so", true, "/p", "/home/u",
                             "ru_RU.UTF-8", nullptr),
            "/home/u/.local/share/tunlark/tunlark --at-login");
  EXPECT_EQ(XdgAutostartExec("/src/build/bin/Tunlark.exe.so", false, "/home/u/my prefix", "/home/u",
                             "ru_RU.UTF-8", "ru_RU.UTF-8"),
            "env \"WINEPREFIX=/home/u/my prefix\" LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 "
            "WINEDEBUG=-all wine /src/build/bin/Tunlark.exe.so");
  // Wine's own default prefix when none was set.
  EXPECT_EQ(XdgAutostartExec("/b/Tunlark.exe.so", false, nullptr, "/home/u", nullptr, ""),
            "env WINEPREFIX=/home/u/.wine WINEDEBUG=-all wine /b/Tunlark.exe.so");
}

TEST(XdgAutostartTest, NativeExecIsTheProgramItselfQuotedWhenNeeded) {
  EXPECT_EQ(XdgAutostartNativeExec("/usr/lib/tunlark/tunlark"), "/usr/lib/tunlark/tunlark");
  EXPECT_EQ(XdgAutostartNativeExec("/home/u/my $dir/tunlark"), "\"/home/u/my \\\\$dir/tunlark\"");
  EXPECT_EQ(XdgAutostartEntry(XdgAutostartNativeExec("/a\nHidden=true/tunlark")), "");
}

TEST(XdgAutostartTest, EntryStartsTheGivenCommandAndRefusesLineBreaks) {
  std::string entry = XdgAutostartEntry("/x/tunlark --at-login");
  EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
  EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
  EXPECT_NE(entry.find("\nExec=/x/tunlark --at-login\n"), std::string::npos);
  EXPECT_NE(entry.find(std::string("\nComment=") +
                       reinterpret_cast<const char*>(u8"Проигрыватель музыки") + " "),
            std::string::npos);
  EXPECT_EQ(XdgAutostartEntry(XdgAutostartExec("/a\nHidden=true/Tunlark.exe.so", true, nullptr,
                                               "/h", nullptr, nullptr)),
            "");
}
