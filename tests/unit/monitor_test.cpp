#include "playback/monitor.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>

#include "core/app_state.h"
#include "engine_test_support.h"
#include "test_support.h"
#include "playback/engine/audio_engine.h"
#include "playback/player.h"
#include "playback/seeking.h"
#include "playback/shuffle_random.h"

namespace {

const char kStopped[] = "Tunlark - остановлено ";

class MonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(engine_.ok());
    g_app.Volume = 50;
    // Small mono files.
    ASSERT_TRUE(
        WriteTone(Track("Song"), ToneParams{SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 192}));
    ASSERT_TRUE(
        WriteTone(Track("one"), ToneParams{SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 1.5}));
    for (const char* name : {"a", "b", "c"})
      ASSERT_TRUE(WriteTone(Track(name), ToneParams{SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 5}));
  }
  std::string Track(const std::string& name) { return dir_.File(name + ".wav"); }
  void Fill(std::initializer_list<const char*> names) {
    g_app.playlist.Clear();
    for (const char* name : names) g_app.playlist.Append(Track(name));
  }
  void PlayAt(uint32_t index, float seconds) {
    g_app.CurrentIndex = index;
    PlayCurrent();
    ASSERT_NE(g_app.Channel, 0u);
    BASS_ChannelSetPosition(g_app.Channel, BASS_ChannelSeconds2Bytes(g_app.Channel, seconds));
  }
  // One due pass: more than 50 ms after the previous one.
  void DuePass() {
    monitor_.Tick();
    state_.clock.now += 51;
    monitor_.Tick();
  }
  const RecordingTray::Call& Last() { return state_.tray.calls.back(); }

  TempDir dir_;
  CoreFixtureState state_{dir_};
  EngineFixture engine_;
  PlaybackMonitor monitor_{state_.clock, state_.tray, nullptr};
};

TEST_F(MonitorTest, UpdatesAtMostEvery50MsAlsoAcrossTheTickWrap) {
  state_.clock.now = 0xFFFFFFF0u;
  monitor_.Tick();  // the first call only starts the clock
  state_.clock.now += 50;
  monitor_.Tick();
  EXPECT_TRUE(state_.tray.calls.empty());
  state_.clock.now += 1;  // 51 ms, across the wrap of the tick count
  monitor_.Tick();
  ASSERT_EQ(state_.tray.calls.size(), 1u);
  EXPECT_EQ(Last().text, kStopped);
  EXPECT_EQ(Last().iconId, 114);
  state_.clock.now += 30;
  monitor_.Tick();
  EXPECT_EQ(state_.tray.calls.size(), 1u) << "30 ms after the last update";
  state_.clock.now += 21;
  monitor_.Tick();
  EXPECT_EQ(state_.tray.calls.size(), 2u) << "the stopped state is shown again every pass";
}

// The main loop waits on the queue for as long as these allow; a wrong answer would either stall
// the tray and the track advance or wake the program for nothing.
TEST_F(MonitorTest, TellsTheLoopWhenTheNextPassIsDueAndWhenNothingCanChange) {
  EXPECT_EQ(monitor_.MsUntilDue(), 0) << "before the first call";
  state_.clock.now = 0xFFFFFFE0u;
  monitor_.Tick();
  EXPECT_EQ(monitor_.MsUntilDue(), 51);
  state_.clock.now += 40;  // across the wrap of the tick count
  EXPECT_EQ(monitor_.MsUntilDue(), 11);
  state_.clock.now += 11;
  EXPECT_EQ(monitor_.MsUntilDue(), 0);
  state_.clock.now += 500;  // long overdue is still due now, not negative
  EXPECT_EQ(monitor_.MsUntilDue(), 0);
  EXPECT_FALSE(monitor_.Quiet()) << "no due pass has looked yet";

  uint32_t passes = monitor_.DuePasses();
  monitor_.Tick();
  EXPECT_EQ(monitor_.DuePasses(), passes + 1);
  EXPECT_TRUE(monitor_.Quiet()) << "stopped";
  monitor_.Tick();
  EXPECT_EQ(monitor_.DuePasses(), passes + 1) << "a pass that is not due does not count";

  Fill({"a"});
  PlayAt(0, 1);
  EXPECT_FALSE(monitor_.Quiet()) << "a track the tray does not show yet";
  DuePass();
  EXPECT_FALSE(monitor_.Quiet()) << "playing: the track can end without any message";
  BASS_ChannelPause(g_app.Channel);
  DuePass();
  EXPECT_TRUE(monitor_.Quiet()) << "paused";
}

// Each run of a loop owns its monitor: nothing one has seen or drawn carries over to another.
TEST_F(MonitorTest, AnotherMonitorStartsAfreshWithItsOwnClockAndShufflePicks) {
  // Four entries: the first two picks of one sequence (41, 18467) land on different ones.
  Fill({"a", "b", "c", "Song"});
  g_app.Shuffle = 1;
  PlayAt(0, 4.97);
  DuePass();
  uint32_t firstPick = g_app.CurrentIndex;
  EXPECT_EQ(monitor_.DuePasses(), 1u);

  PlaybackMonitor other(state_.clock, state_.tray, nullptr);
  EXPECT_EQ(other.MsUntilDue(), 0) << "not started";
  EXPECT_EQ(other.DuePasses(), 0u);
  EXPECT_FALSE(other.Quiet());
  PlayAt(0, 4.97);
  other.Tick();
  state_.clock.now += 51;
  other.Tick();
  EXPECT_EQ(g_app.CurrentIndex, firstPick) << "its generator starts at the run's seed";
}

TEST_F(MonitorTest, TooltipAndIconFollowPlayingMutedAndPaused) {
  Fill({"Song"});
  PlayAt(0, 65);
  DuePass();
  EXPECT_EQ(Last().text, "Tunlark - воспроизведение:\nSong - 01:05/03:12 ");
  EXPECT_EQ(Last().iconId, 124);

  const struct {
    int32_t volume;
    int icon;
  } levels[] = {{100, 118}, {95, 119}, {90, 120}, {89, 121}, {5, 129}, {0, 130}};
  for (const auto& level : levels) {
    g_app.Volume = level.volume;
    DuePass();
    EXPECT_EQ(Last().iconId, level.icon) << level.volume;
  }

  size_t before = state_.tray.calls.size();
  g_app.Volume = 150;  // from a hand-edited file: no icon, the tray is left alone
  DuePass();
  EXPECT_EQ(state_.tray.calls.size(), before);

  g_app.Volume = 50;
  g_app.Mute = 1;
  DuePass();
  EXPECT_EQ(Last().text, "Tunlark - откл. звук:\nSong - 01:05/03:12 ");
  EXPECT_EQ(Last().iconId, 117);

  TogglePause();
  DuePass();
  EXPECT_EQ(Last().text, "Tunlark - пауза | откл. звук ");
  EXPECT_EQ(Last().iconId, 116);
  g_app.Mute = 0;
  DuePass();
  EXPECT_EQ(Last().text, "Tunlark - пауза ");

  StopPlayback();
  DuePass();
  EXPECT_EQ(Last().text, kStopped);
  EXPECT_EQ(Last().iconId, 114);
}

TEST_F(MonitorTest, LongTitlesAreCutSoTheTimesStayVisible) {
  std::string name(200, 'x');
  ASSERT_TRUE(WriteTone(Track(name), ToneParams{SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 2}));
  g_app.playlist.Append(Track(name));
  PlayAt(0, 0);
  DuePass();
  EXPECT_EQ(Last().text.size(), 127u);
  EXPECT_EQ(Last().text.substr(Last().text.size() - 16), "x - 00:00/00:02 ");
}

TEST_F(MonitorTest, TrackNamedByItsAliasShowsItsRealTitleInTheWideTooltip) {
  FakeWidePaths paths;
  paths.longNames[Track("Song")] = u"Jóga.wav";
  g_platform.paths = &paths;
  monitor_ = PlaybackMonitor(state_.clock, state_.tray, &paths);
  Fill({"Song", "a"});
  PlayAt(0, 65);
  DuePass();
  ASSERT_EQ(state_.tray.wideCalls.size(), 1u);
  const std::u16string tip = u"Tunlark - воспроизведение:\nJóga - 01:05/03:12 ";
  EXPECT_EQ(state_.tray.wideCalls[0].first, tip);
  EXPECT_EQ(state_.tray.wideCalls[0].second, 124);

  // A name the code page spells goes on through the narrow call.
  PlayAt(1, 0);
  DuePass();
  EXPECT_EQ(state_.tray.wideCalls.size(), 1u);
  EXPECT_EQ(Last().text, "Tunlark - воспроизведение:\na - 00:00/00:05 ");
}

TEST_F(MonitorTest, AdvancesAtTheHeardEndByRepeatAndShuffle) {
  Fill({"a", "b", "c"});
  PlayAt(0, 4.9);  // the last whole second, but 0.1 s still to be heard
  DuePass();
  EXPECT_EQ(g_app.CurrentIndex, 0u);
  EXPECT_EQ(monitor_.MsUntilChange(), 51) << "woken for the end, one period before it";
  PlayAt(0, 2.25);
  DuePass();
  EXPECT_EQ(monitor_.MsUntilChange(), 751) << "woken for the next whole second";

  PlayAt(0, 4.97);
  uint32_t first = g_app.Channel;
  DuePass();
  EXPECT_EQ(g_app.CurrentIndex, 1u);
  EXPECT_NE(g_app.Channel, first);
  EXPECT_EQ(PositionSeconds(), 0);
  EXPECT_NE(Last().text.find("a - 00:04/00:05"), std::string::npos)
      << "the pass that advances still shows the finished track";
  EXPECT_EQ(monitor_.MsUntilChange(), 51) << "the next due pass shows the new track";
  DuePass();
  EXPECT_NE(Last().text.find("b - 00:00/00:05"), std::string::npos);

  // The last entry: stops at its end without Repeat, starts the first with it.
  PlayAt(2, 4.97);
  uint32_t last = g_app.Channel;
  DuePass();
  EXPECT_EQ(g_app.CurrentIndex, 2u);
  EXPECT_EQ(g_app.Channel, last);
  g_app.Repeat = 1;
  PlayAt(2, 4.97);
  DuePass();
  EXPECT_EQ(g_app.CurrentIndex, 0u);

  // Shuffle picks from the generator seeded with 1, whatever Repeat says.
  g_app.Repeat = 0;
  g_app.Shuffle = 1;
  PlayAt(0, 4.97);
  // No pick was drawn so far: the monitor's generator is where a run starts it.
  uint32_t expected = static_cast<uint32_t>(ShuffleRandom(1).Next()) % 3;
  DuePass();
  EXPECT_EQ(g_app.CurrentIndex, expected);

  // A track that ended between two passes, as while a menu was open, moves on all the same.
  g_app.Shuffle = 0;
  PlayAt(0, 4.9);
  engine_.Listen(200);
  ASSERT_EQ(BASS_ChannelIsActive(g_app.Channel), BASS_ACTIVE_STOPPED);
  DuePass();
  EXPECT_EQ(g_app.CurrentIndex, 1u);
  EXPECT_FALSE(monitor_.Quiet()) << "the loop must keep looking at the new track";
  EXPECT_EQ(monitor_.MsUntilChange(), 51) << "and show it at the next due pass";

  // A decoder that runs dry before the length it reported (a file cut short) ends the track
  // all the same.
  PlayAt(0, 0);
  std::filesystem::resize_file(Track("a"), std::filesystem::file_size(Track("a")) / 2);
  engine_.Listen(3000);
  ASSERT_EQ(BASS_ChannelIsActive(g_app.Channel), BASS_ACTIVE_STOPPED);
  ASSERT_LT(PositionSeconds(), 4);
  DuePass();
  EXPECT_EQ(g_app.CurrentIndex, 1u);
  EXPECT_EQ(BASS_ChannelIsActive(g_app.Channel), BASS_ACTIVE_PLAYING);
}

TEST_F(MonitorTest, ShortTracksPausedTracksAndEmptyListsAtTheEnd) {
  Fill({"one", "a"});
  PlayAt(0, 0);  // 1.5 s: played to its end, not moved on at once
  DuePass();
  EXPECT_EQ(g_app.CurrentIndex, 0u);
  PlayAt(0, 1.47);
  DuePass();
  EXPECT_EQ(g_app.CurrentIndex, 1u);

  PlayAt(0, 1.47);
  TogglePause();
  DuePass();
  EXPECT_EQ(g_app.CurrentIndex, 0u) << "no advance while paused";
  TogglePause();
  DuePass();
  EXPECT_EQ(g_app.CurrentIndex, 1u);

  // The end of the last track stops the list; a later pass starts nothing, whatever Repeat
  // and Shuffle say by then.
  PlayAt(1, 4.9);
  uint32_t last = g_app.Channel;
  engine_.Listen(200);
  DuePass();
  g_app.Shuffle = 1;
  DuePass();
  g_app.Shuffle = 0;
  g_app.Repeat = 1;
  DuePass();
  EXPECT_EQ(g_app.CurrentIndex, 1u);
  EXPECT_EQ(g_app.Channel, last);
  EXPECT_EQ(BASS_ChannelIsActive(last), BASS_ACTIVE_STOPPED);
  g_app.Repeat = 0;

  // The list was emptied while the track played: its end moves the index on once, at its last
  // period and not again once it has stopped.
  PlayAt(0, 1.47);
  g_app.playlist.Clear();
  DuePass();
  engine_.Listen(200);
  DuePass();
  DuePass();
  EXPECT_EQ(g_app.CurrentIndex, 1u);

  // With Shuffle nothing follows.
  Fill({"one"});
  PlayAt(0, 1.47);
  uint32_t playing = g_app.Channel;
  g_app.playlist.Clear();
  g_app.Shuffle = 1;
  monitor_.AdvanceAtEnd();
  EXPECT_EQ(g_app.CurrentIndex, 0u);
  EXPECT_EQ(g_app.Channel, playing);
}

}  // namespace
