#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/command_line.h"

TEST(CommandLine, QuotedPathLosesItsQuotesAndUnquotedIsTakenWhole) {
  struct Case {
    const char* line;
    const char* path;
  } cases[] = {
      {"\"C:\\Music\\a.mp3\"", "C:\\Music\\a.mp3"},
      {"\"C:\\my music\\a b.mp3\"", "C:\\my music\\a b.mp3"},
      {"C:\\a.mp3", "C:\\a.mp3"},  // Wine does not quote a path without blanks
      {"  \"C:\\a.mp3\"  ", "C:\\a.mp3"},
      {"\"C:\\a.mp3", "C:\\a.mp3"},
      {"\"\"", ""},
      {"\"", ""},
      {"x", "x"},
      {"", ""},
      {"   ", ""},
      // Wine escapes a quote of a Linux name and doubles the backslashes before the closing one.
      {"\"Z:\\m\\12\\\" Mix.mp3\"", "Z:\\m\\12\" Mix.mp3"},
      {"Z:\\m\\12\\\".mp3", "Z:\\m\\12\".mp3"},
      {"\"Z:\\a\\\\\\\\\\\"b c\"", "Z:\\a\\\\\"b c"},
      {"\"Z:\\my dir\\\\\"", "Z:\\my dir\\"},
      {"\"D:\\\"", "D:\\"},  // the shell's root folder
  };
  for (const Case& c : cases) EXPECT_EQ(LaunchPathFromCommandLine(c.line), c.path) << c.line;
}

TEST(CommandLine, WideLineLosesTheProgramNameAsWinMainsNarrowOne) {
  struct Case {
    std::u16string line;
    std::u16string path;
  } cases[] = {
      {u"\"C:\\Program Files\\Tunlark.exe\" \"Z:\\Björk\\Jóga.ogg\"", u"Z:\\Björk\\Jóga.ogg"},
      {u"Tunlark.exe\t  Z:\\日本\\歌.wav", u"Z:\\日本\\歌.wav"},
      {u"C:\\a\\\"b c\\Tunlark.exe Z:\\a.mp3", u"c\\Tunlark.exe Z:\\a.mp3"},  // \" is no quote
      {u"Tunlark.exe", u""},
      {u"", u""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LaunchPathFromCommandLine(ArgumentsOfCommandLine(c.line)), c.path);
}

TEST(HandOver, ReceiverStopsAtNulAtCbDataAndAtTheBuffer) {
  EXPECT_EQ(HandOverText("C:\\a.mp3\0garbage", 17), "C:\\a.mp3");
  // No NUL within cbData: the text ends there, nothing past it is read.
  EXPECT_EQ(HandOverText("C:\\a.mp3XYZ", 8), "C:\\a.mp3");
  EXPECT_EQ(HandOverText(nullptr, 512), "");
  EXPECT_EQ(HandOverText("abc", 0), "");

  // A sender claiming more than 512 bytes without a NUL is cut at the buffer.
  std::string big(600, 'x');
  EXPECT_EQ(HandOverText(big.data(), big.size()), std::string(512, 'x'));
}

TEST(HandOver, SenderPacksPathsUpTo511BytesAndRefusesLonger) {
  char buffer[kHandOverSize];
  memset(buffer, 'z', sizeof buffer);
  ASSERT_TRUE(PackHandOver("C:\\a.mp3", buffer));
  EXPECT_STREQ(buffer, "C:\\a.mp3");
  EXPECT_EQ(HandOverText(buffer, sizeof buffer), "C:\\a.mp3");

  std::string longest(511, 'p');
  ASSERT_TRUE(PackHandOver(longest, buffer));
  EXPECT_EQ(HandOverText(buffer, sizeof buffer), longest);
  EXPECT_FALSE(PackHandOver(std::string(512, 'p'), buffer));
}

TEST(ProgramDirectory, IsThePathUpToItsLastBackslash) {
  EXPECT_EQ(ProgramDirectoryOf("C:\\Player\\Tunlark.exe"), "C:\\Player\\");
  EXPECT_EQ(ProgramDirectoryOf("Z:\\a\\b\\Tunlark.exe"), "Z:\\a\\b\\");
  EXPECT_EQ(ProgramDirectoryOf("Tunlark.exe"), "Tunlark.exe");
}

TEST(NativeLaunchArgument, PassesOverTheFlagOfOldLoginEntries) {
  struct Row {
    std::vector<const char*> argv;
    const char* path;
  };
  const Row rows[] = {
      {{"tunlark"}, nullptr},
      {{"tunlark", "/m/a.mp3"}, "/m/a.mp3"},
      // An old login entry: the flag alone would have become a track of the user's playlist.
      {{"tunlark", "--at-login"}, nullptr},
      {{"tunlark", "--at-login", "/m/a.mp3"}, "/m/a.mp3"},
      // Only the first argument is the flag; a file so named is reached as ./--at-login.
      {{"tunlark", "./--at-login"}, "./--at-login"},
      {{"tunlark", "/m/--at-login"}, "/m/--at-login"},
      {{"tunlark", "--at-login", "--at-login"}, "--at-login"},
  };
  for (const Row& row : rows) {
    const char* path = NativeLaunchArgument(static_cast<int>(row.argv.size()), row.argv.data());
    EXPECT_STREQ(path, row.path) << (row.argv.size() > 1 ? row.argv[1] : "");
  }
}
