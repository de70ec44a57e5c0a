#include "playback/seeking.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

#include "core/app_state.h"
#include "engine_test_support.h"
#include "test_support.h"
#include "playback/engine/audio_engine.h"
#include "playback/player.h"

namespace {

class SeekingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(engine_.ok());
    g_app.Volume = 100;
  }
  void Load(double seconds) {
    ToneParams params{SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, seconds, 440, 0.5};
    ASSERT_TRUE(WriteTone(dir_.File("track.wav"), params));
    ASSERT_TRUE(LoadAndPlay(dir_.File("track.wav")));
  }
  void SeekTo(float seconds) {
    BASS_ChannelSetPosition(g_app.Channel, BASS_ChannelSeconds2Bytes(g_app.Channel, seconds));
  }

  TempDir dir_;
  CoreFixtureState state_{dir_};
  EngineFixture engine_;
};

TEST_F(SeekingTest, RewindLandsOnWholeSecondsAndWrapsPastTheEndToTheStart) {
  Load(180.5);
  EXPECT_EQ(LengthSeconds(), 180);
  TogglePause();
  const struct {
    float from;
    int32_t delta;
    int32_t to;
  } cases[] = {{1, -2, 0}, {5, -2, 3}, {178, 2, 180}, {179, 2, 0}, {7.9f, 2, 9}, {0.5f, -2, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << " by " << c.delta);
    SeekTo(c.from);
    Rewind(c.delta);
    EXPECT_EQ(PositionSeconds(), c.to);
    EXPECT_EQ(BASS_ChannelGetPosition(g_app.Channel),
              BASS_ChannelSeconds2Bytes(g_app.Channel, static_cast<float>(c.to)));
    EXPECT_EQ(BASS_ChannelIsActive(g_app.Channel), BASS_ACTIVE_PAUSED);
  }
}

TEST_F(SeekingTest, RewindOnAModuleLandsOnTheSecondNotOnARowBesideIt) {
  dir_.Write("song.xm", MakeXm(ModuleParams{64, 7, 125}));  // 8.96 s in rows of 0.14 s
  ASSERT_TRUE(LoadAndPlay(dir_.File("song.xm")));
  TogglePause();
  const struct {
    float from;
    int32_t delta;
    int32_t to;
  } cases[] = {{5, -2, 3}, {3, -2, 1}, {1.5f, 2, 3}, {6.5f, 2, 8}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << " by " << c.delta);
    SeekTo(c.from);
    Rewind(c.delta);
    EXPECT_EQ(BASS_ChannelGetPosition(g_app.Channel),
              BASS_ChannelSeconds2Bytes(g_app.Channel, static_cast<float>(c.to)));
  }
  TogglePause();
  engine_.Listen(500);
  EXPECT_NEAR(BASS_ChannelBytes2Seconds(g_app.Channel, BASS_ChannelGetPosition(g_app.Channel)), 8.5,
              0.005);
}

TEST_F(SeekingTest, RewindWhilePlayingDropsTheFractionAndIsHeardAtOnce) {
  Load(10);
  engine_.Listen(1700);
  EXPECT_EQ(PositionSeconds(), 1);
  Rewind(2);
  EXPECT_EQ(BASS_ChannelGetPosition(g_app.Channel), 3u * 8000 * 4);
  engine_.Listen(40);
  EXPECT_NEAR(BASS_ChannelBytes2Seconds(g_app.Channel, BASS_ChannelGetPosition(g_app.Channel)),
              3.04, 0.002);
}

TEST_F(SeekingTest, SilencedJumpIsHeardAtFullVolumeFromItsFirstFrame) {
  Load(10);
  engine_.Listen(1000);
  for (int i = 0; i < 20; ++i) {
    BASS_ChannelSetAttributes(g_app.Channel, 0, 0, 0);
    Rewind(i % 2 ? -2 : 2);
    BASS_ChannelSetAttributes(g_app.Channel, 0, g_app.Volume, 0);
    std::vector<float> heard = engine_.Listen(20);
    heard.resize(2 * 441);  // the first 10 ms
    EXPECT_NEAR(Rms(heard), 0.5 / std::sqrt(2.0), 0.05);
  }
}

TEST_F(SeekingTest, SeekToLandsOnTheExactPositionAndRestartsAStoppedChannel) {
  ::SeekTo(3.0);  // nothing loaded
  EXPECT_EQ(g_app.Channel, 0u);
  Load(10);
  TogglePause();
  SilencedSeekTo(4.25);
  EXPECT_EQ(BASS_ChannelGetPosition(g_app.Channel),
            BASS_ChannelSeconds2Bytes(g_app.Channel, 4.25f));
  EXPECT_EQ(BASS_ChannelIsActive(g_app.Channel), BASS_ACTIVE_PAUSED);
  StopPlayback();
  ::SeekTo(7.5);
  EXPECT_EQ(BASS_ChannelIsActive(g_app.Channel), BASS_ACTIVE_PLAYING);
  EXPECT_NEAR(BASS_ChannelBytes2Seconds(g_app.Channel, BASS_ChannelGetPosition(g_app.Channel)), 7.5,
              0.05);
}

TEST_F(SeekingTest, RewindRestartsAStoppedChannelAndIgnoresNoChannel) {
  Rewind(2);  // nothing loaded
  EXPECT_EQ(g_app.Channel, 0u);
  Load(10);
  engine_.Listen(2100);
  StopPlayback();
  Rewind(2);
  EXPECT_EQ(BASS_ChannelIsActive(g_app.Channel), BASS_ACTIVE_PLAYING);
  EXPECT_EQ(PositionSeconds(), 4);
  EXPECT_GT(Rms(engine_.Listen(100)), 0.3);
}

}  // namespace
