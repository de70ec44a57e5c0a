#include "playback/player.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

#include "core/app_state.h"
#include "engine_test_support.h"
#include "test_support.h"
#include "playback/engine/audio_engine.h"
#include "playback/seeking.h"
#include "settings/config_file.h"

namespace {

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(engine_.ok());
    ToneParams params{SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 5.0, 440, 0.5};
    ASSERT_TRUE(WriteTone(dir_.File("a.wav"), params));
    params.freq = 880;
    ASSERT_TRUE(WriteTone(dir_.File("b.wav"), params));
    dir_.Write("song.xm", MakeXm(ModuleParams{}));
    g_app.Volume = 100;
  }
  double Loudness() {
    engine_.Listen(10);  // the ramp to a new volume
    return Rms(engine_.Listen(100)) / (0.5 / std::sqrt(2.0));
  }

  TempDir dir_;
  CoreFixtureState state_{dir_};
  EngineFixture engine_;
};

TEST_F(PlayerTest, LoadAndPlayStartsTheTrackAtVolumeOrSilentWhenMuted) {
  g_app.Volume = 50;
  EXPECT_TRUE(LoadAndPlay(dir_.File("a.wav")));
  EXPECT_NE(g_app.Channel, 0u);
  EXPECT_EQ(BASS_ChannelIsActive(g_app.Channel), BASS_ACTIVE_PLAYING);
  EXPECT_NEAR(Loudness(), 0.5, 0.01);

  g_app.Mute = 1;
  EXPECT_TRUE(LoadAndPlay(dir_.File("b.wav")));
  EXPECT_EQ(Rms(engine_.Listen(100)), 0.0);
  ToggleMute();
  EXPECT_EQ(g_app.Mute, 0);
  EXPECT_NEAR(Loudness(), 0.5, 0.01);
  EXPECT_NEAR(ToneFrequency(engine_.Listen(100), 44100), 880, 3);
}

TEST_F(PlayerTest, VolumeStepsClampApplyAndSave) {
  g_app.configLoaded = true;
  const struct {
    int32_t from;
    bool up;
    int32_t to;
  } cases[] = {{100, true, 100}, {0, false, 0},           {97, true, 100},
               {3, false, 0},    {150, true, 100},        {150, false, 100},
               {-20, true, 0},   {-20, false, 0},         {45, true, 50},
               {55, false, 50},  {2147483647, true, 100}, {-2147483647 - 1, false, 0}};
  ASSERT_TRUE(LoadAndPlay(dir_.File("a.wav")));
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << (c.up ? " up" : " down"));
    g_app.Volume = c.from;
    dir_.Write("config.cfg", "");
    c.up ? VolumeUp(ConfigFileSaver()) : VolumeDown(ConfigFileSaver());
    EXPECT_EQ(g_app.Volume, c.to);
    EXPECT_NE(dir_.Read("config.cfg").find("Volume=" + std::to_string(c.to)), std::string::npos);
    EXPECT_NEAR(Loudness(), c.to / 100.0, 0.01);
  }
}

TEST_F(PlayerTest, SetVolumeClampsAppliesAndSavesAsAStepDoes) {
  g_app.configLoaded = true;
  const struct {
    int32_t volume;
    int32_t to;
  } cases[] = {{35, 35}, {0, 0}, {100, 100}, {150, 100}, {-5, 0}};
  ASSERT_TRUE(LoadAndPlay(dir_.File("a.wav")));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.volume);
    dir_.Write("config.cfg", "");
    SetVolume(c.volume, ConfigFileSaver());
    EXPECT_EQ(g_app.Volume, c.to);
    EXPECT_NE(dir_.Read("config.cfg").find("Volume=" + std::to_string(c.to)), std::string::npos);
    EXPECT_NEAR(Loudness(), c.to / 100.0, 0.01);
  }

  // While muted: the level set is heard, and Mute is off and saved so.
  ToggleMute();
  SetVolume(40, ConfigFileSaver());
  EXPECT_EQ(g_app.Mute, 0);
  EXPECT_NE(dir_.Read("config.cfg").find("Volume=40\r\nMute=0\r\n"), std::string::npos);
  EXPECT_NEAR(Loudness(), 0.4, 0.01);
}

TEST_F(PlayerTest, VolumeStepWhileMutedIsAudibleAndMuteStaysOn) {
  g_app.Volume = 50;
  g_app.Mute = 1;
  ASSERT_TRUE(LoadAndPlay(dir_.File("a.wav")));
  VolumeUp(ConfigFileSaver());
  EXPECT_EQ(g_app.Mute, 1);
  EXPECT_NEAR(Loudness(), 0.55, 0.01);
  ToggleMute();  // off, no change in loudness
  EXPECT_NEAR(Loudness(), 0.55, 0.01);
  ToggleMute();
  EXPECT_EQ(Loudness(), 0.0);
}

TEST_F(PlayerTest, PlayCurrentWithoutAnEntryLeavesThePlayingTrack) {
  g_app.playlist.Append(dir_.File("a.wav"));
  g_app.CurrentIndex = 0;
  PlayCurrent();
  uint32_t playing = g_app.Channel;
  ASSERT_NE(playing, 0u);
  for (uint32_t index : {1u, 4294967295u}) {
    g_app.CurrentIndex = index;
    PlayCurrent();
    EXPECT_EQ(g_app.Channel, playing);
    EXPECT_EQ(BASS_ChannelIsActive(playing), BASS_ACTIVE_PLAYING);
  }
  g_app.playlist.Clear();
  g_app.CurrentIndex = 0;
  PlayCurrent();
  EXPECT_EQ(g_app.Channel, playing);
}

TEST_F(PlayerTest, StopThenPlayCurrentReopensFromTheStart) {
  g_app.playlist.Append(dir_.File("a.wav"));
  PlayCurrent();
  engine_.Listen(1500);
  StopPlayback();
  EXPECT_EQ(BASS_ChannelIsActive(g_app.Channel), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(PositionSeconds(), 1);
  EXPECT_EQ(g_app.CurrentIndex, 0u);
  PlayCurrent();
  EXPECT_EQ(PositionSeconds(), 0);
  EXPECT_EQ(BASS_ChannelIsActive(g_app.Channel), BASS_ACTIVE_PLAYING);
}

TEST_F(PlayerTest, TogglePauseNeverRestartsAStoppedChannel) {
  TogglePause();  // no channel: nothing to act on
  EXPECT_EQ(g_app.Channel, 0u);
  ASSERT_TRUE(LoadAndPlay(dir_.File("a.wav")));
  TogglePause();
  EXPECT_EQ(BASS_ChannelIsActive(g_app.Channel), BASS_ACTIVE_PAUSED);
  TogglePause();
  EXPECT_EQ(BASS_ChannelIsActive(g_app.Channel), BASS_ACTIVE_PLAYING);
  StopPlayback();
  TogglePause();
  EXPECT_EQ(BASS_ChannelIsActive(g_app.Channel), BASS_ACTIVE_STOPPED);
  EXPECT_EQ(Rms(engine_.Listen(100)), 0.0);
}

TEST_F(PlayerTest, ModuleOpensAsMusicAndEveryLoadFreesThePreviousChannel) {
  ASSERT_TRUE(LoadAndPlay(dir_.File("song.xm")));
  uint32_t module = g_app.Channel;
  BASS_CHANNELINFO info = {};
  ASSERT_TRUE(BASS_ChannelGetInfo(module, &info));
  EXPECT_EQ(info.ctype, BASS_CTYPE_MUSIC_XM);
  EXPECT_EQ(info.flags & BASS_SAMPLE_FLOAT, BASS_SAMPLE_FLOAT);

  ASSERT_TRUE(LoadAndPlay(dir_.File("a.wav")));
  EXPECT_FALSE(BASS_ChannelGetInfo(module, &info));
  uint32_t stream = g_app.Channel;

  // A file that opens as neither leaves no channel and the output stopped.
  dir_.Write("bad.mp3", "not a sound");
  EXPECT_FALSE(LoadAndPlay(dir_.File("bad.mp3")));
  EXPECT_EQ(g_app.Channel, 0u);
  EXPECT_FALSE(BASS_ChannelGetInfo(stream, &info));
  EXPECT_EQ(Rms(engine_.Listen(100)), 0.0);
}

}  // namespace
