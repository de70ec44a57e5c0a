#include <gtest/gtest.h>

#include "engine_test_support.h"
#include "playback/engine/audio_engine.h"

namespace {

struct ModuleCase {
  const char* name;
  std::string (*make)(const ModuleParams&);
  uint32_t ctype;
};

std::string UmxOfIt(const ModuleParams& params) {
  return MakeUmx(MakeIt(params));
}

TEST(EngineModuleTest, EveryModuleKindOpensOnlyAsMusicAndPlaysOnceToItsEnd) {
  TempDir dir;
  EngineFixture engine;
  ASSERT_TRUE(engine.ok());
  const ModuleCase cases[] = {
      {"tone.mod", MakeMod, BASS_CTYPE_MUSIC_MOD}, {"tone.s3m", MakeS3m, BASS_CTYPE_MUSIC_S3M},
      {"tone.xm", MakeXm, BASS_CTYPE_MUSIC_XM},    {"tone.it", MakeIt, BASS_CTYPE_MUSIC_IT},
      {"tone.mtm", MakeMtm, BASS_CTYPE_MUSIC_MTM}, {"tone.umx", UmxOfIt, BASS_CTYPE_MUSIC_IT},
  };
  ModuleParams params;
  double seconds = ModuleSeconds(params);
  for (const ModuleCase& c : cases) {
    SCOPED_TRACE(c.name);
    dir.Write(c.name, c.make(params));
    std::string path = dir.File(c.name);
    EXPECT_EQ(BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0x20100), 0u);
    uint32_t h = BASS_MusicLoad(false, path.c_str(), 0, 0, 0x20300, 0);
    ASSERT_NE(h, 0u);
    BASS_CHANNELINFO info = {};
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.ctype, c.ctype);
    EXPECT_EQ(info.freq, 44100u);
    EXPECT_EQ(info.chans, 2u);
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(h, BASS_ChannelGetLength(h)), seconds, 0.01);

    ASSERT_TRUE(BASS_ChannelPlay(h, false));
    EXPECT_GT(Rms(engine.Listen(static_cast<uint32_t>(seconds * 1000) - 50)), 0.01);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
    engine.Listen(100);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(Rms(engine.Listen(100)), 0.0);  // no loop back to the start
    EXPECT_TRUE(BASS_MusicFree(h));
  }
}

TEST(EngineModuleTest, ModulePositionAndPauseWork) {
  TempDir dir;
  EngineFixture engine;
  ASSERT_TRUE(engine.ok());
  ModuleParams params{48, 6, 125};  // 5.76 s
  dir.Write("long.xm", MakeXm(params));
  std::string path = dir.File("long.xm");
  uint32_t h = BASS_MusicLoad(false, path.c_str(), 0, 0, 0x20300, 0);
  ASSERT_NE(h, 0u);
  BASS_ChannelPlay(h, false);
  engine.Listen(1000);
  EXPECT_NEAR(BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h)), 1.0, 0.005);
  BASS_ChannelPause(h);
  engine.Listen(500);
  // It goes on where it was, not from the start of the row it was paused in.
  BASS_ChannelPlay(h, false);
  BASS_ChannelSetAttributes(h, 0, 50, 0);
  engine.Listen(1000);
  EXPECT_NEAR(BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h)), 2.0, 0.001);
}

}  // namespace
