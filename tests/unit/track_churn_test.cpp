// A long session of track changes must not leave files, channels or memory behind: every open
// that replaces a channel frees the old one, also when the new file fails to open. Leaks show up
// in the sanitizer build.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include "core/app_state.h"
#include "engine_test_support.h"
#include "test_support.h"
#include "playback/engine/audio_engine.h"
#include "playback/engine/engine.h"
#include "playback/player.h"
#include "playlist/open_path.h"
#include "playlist/playlist.h"

namespace {

int OpenDescriptors() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir)) ++count;
    closedir(dir);
  }
  return count;
}

size_t OpenChannels() {
  std::lock_guard<std::mutex> lock(g_engine.mutex);
  return g_engine.channels.size();
}

TEST(TrackChurn, AThousandTrackChangesLeaveOneChannelAndNoOpenFiles) {
  TempDir dir;
  CoreFixtureState state{dir};
  EngineFixture engine(8000);
  ASSERT_TRUE(engine.ok());
  ToneParams tone{SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 0.3};
  ASSERT_TRUE(WriteTone(dir.File("a.wav"), tone));
  tone.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
  ASSERT_TRUE(WriteTone(dir.File("b.ogg"), tone));
  ASSERT_TRUE(WriteMpeg(dir.File("c.mp3"), tone, "lame --quiet -b 32"));
  dir.Write("d.xm", MakeXm(ModuleParams{}));
  dir.Write("broken.wav", "RIFF\x10\0\0\0WAVEfmt garbage");
  std::string list = "#EXTM3U\r\n";
  for (const char* name : {"a.wav", "b.ogg", "c.mp3", "d.xm", "broken.wav", "missing.mp3"})
    list += "#EXTINF:1,x\r\n" + dir.File(name) + "\r\n";
  dir.Write("list.m3u", list);
  g_app.Volume = 50;

  OpenPath(dir.File("list.m3u"));
  ASSERT_EQ(g_app.playlist.Count(), 6u);
  PlayCurrent();
  engine.Listen(5);
  const int descriptors = OpenDescriptors();
  for (int i = 0; i < 1000; ++i) {
    if (i % 100 == 99) {
      // Reopening the playlist, as a hand-over does, starts again at the first track.
      OpenPath(dir.File("list.m3u"));
    } else {
      StepNext();
    }
    PlayCurrent();
    if (i % 10 == 0) engine.Listen(5);
    if (i % 7 == 0) TogglePause();
    if (i % 13 == 0) StopPlayback();
  }
  EXPECT_EQ(OpenDescriptors(), descriptors);
  EXPECT_LE(OpenChannels(), 1u);
}

}  // namespace
