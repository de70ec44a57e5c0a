#include <gtest/gtest.h>

#include <string>

#include "playback/time_text.h"
#include "playback/tray_texts.h"

namespace {

const std::string kPlayingHeader = "Tunlark - воспроизведение:\n";

TEST(TrackTitle, IsTheFileNameWithoutItsLastExtension) {
  struct Case {
    const char* path;
    const char* title;
  } cases[] = {
      {"C:\\Music\\Song.mp3", "Song"},
      {"C:\\Music\\a.b.mp3", "a.b"},
      {"C:\\Music\\track", "track"},
      {"C:\\Music.old\\track", "track"},  // a dot in a folder name is not the extension
      {"C:\\Music\\.mp3", ""},
      {"C:\\Music\\", ""},
      {"Song.mp3", ""},  // no backslash, no title
      {"/home/me/Song.mp3", "Song"},
      {"/home/me.d/track", "track"},
      {"/Song", "Song"},
      {"/home/me/AC\\DC - Back.mp3", "AC\\DC - Back"},  // a Linux name may hold a backslash
      {"/home/a\\b/track.mp3", "track"},
      {"/home/me/\\.mp3", "\\"},
      {"C:\\Music/sub\\Song.mp3", "Song"},  // a Windows path keeps its backslash rule
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(TrackTitle(c.path), c.title) << c.path;
}

TEST(VolumeIconId, FollowsTheLevelBands) {
  struct Case {
    int volume;
    int icon;
  } cases[] = {{0, 130},   {1, 129},  {5, 129},  {9, 129},  {10, 128},       {19, 128},
               {50, 124},  {89, 121}, {90, 120}, {94, 120}, {95, 119},       {99, 119},
               {100, 118}, {-1, -1},  {101, -1}, {-5, -1},  {INT32_MIN, -1}, {INT32_MAX, -1}};
  for (const Case& c : cases) EXPECT_EQ(VolumeIconId(c.volume), c.icon) << c.volume;
}

TEST(PlayingTooltip, FitsTheTrayByShorteningTheTitleFirst) {
  EXPECT_EQ(PlayingTooltip(kPlayingHeader, "Song", FormatTime(65), FormatTime(192)),
            kPlayingHeader + "Song - 01:05/03:12 ");

  const std::string times = " - 01:05/03:12 ";
  std::string exact(127 - kPlayingHeader.size() - times.size(), 't');
  EXPECT_EQ(PlayingTooltip(kPlayingHeader, exact, "01:05", "03:12"),
            kPlayingHeader + exact + times);

  std::string shortened = PlayingTooltip(kPlayingHeader, exact + "xyz", "01:05", "03:12");
  EXPECT_EQ(shortened, kPlayingHeader + exact + times);

  // Not even header and times fit: the end is cut.
  std::string huge(200, '9');
  std::string cut = PlayingTooltip(kPlayingHeader, "Song", huge, "00:01");
  EXPECT_EQ(cut.size(), 127u);
  EXPECT_EQ(cut, (kPlayingHeader + " - " + huge).substr(0, 127));
}

}  // namespace
