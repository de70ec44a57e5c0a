// The native program's FFmpeg decoder module, loaded as the program loads it.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <memory>
#include <string>
#include <vector>

#include "engine_test_support.h"
#include "platform/file_system.h"
#include "playback/engine/audio_engine.h"
#include "playback/engine/decoder.h"
#include "playback/engine/ffmpeg_module_linux.h"

namespace {

// Whatever is not the module gives no entry: the program then plays such tracks as unplayable.
TEST(FfmpegModuleTest, AnythingButTheModuleGivesNoEntry) {
  TempDir dir;
  dir.Write("text.so", "not a library");
  // libm: a library without the entry.
  for (const std::string& path :
       {dir.File("missing.so"), dir.File("text.so"), std::string("libm.so.6"), std::string()}) {
    EXPECT_EQ(LoadFfmpegModule(path), nullptr) << path;
  }
}

TEST(FfmpegModuleTest, TheModuleDecodesAsTheLinkedDecoderAndLeavesOtherFilesToTheCaller) {
  FfmpegModuleEntry entry = LoadFfmpegModule(TUNLARK_FFMPEG_MODULE);
  ASSERT_NE(entry, nullptr);
  TempDir dir;
  ToneParams params{0, 44100, 2, 1.0};
  std::string m4a = dir.File("tone.m4a");
  ASSERT_TRUE(WriteMpeg(m4a, params, "sh -c 'ffmpeg -v quiet -y -i \"$0\" -c:a aac \"$1\"'"));
  std::unique_ptr<FileSystem> files = CreatePosixFileSystem();

  std::unique_ptr<MediaFile> file = files->OpenMediaFile(m4a);
  std::unique_ptr<Decoder> loaded(entry(&file));
  ASSERT_TRUE(loaded);
  EXPECT_FALSE(file) << "the decoder did not take the file";
  std::unique_ptr<MediaFile> again = files->OpenMediaFile(m4a);
  std::unique_ptr<Decoder> linked = OpenFfmpegDecoder(again);
  ASSERT_TRUE(linked);
  EXPECT_EQ(loaded->ChannelType(), static_cast<uint32_t>(BASS_CTYPE_STREAM_AAC));
  EXPECT_EQ(loaded->LengthFrames(), linked->LengthFrames());
  std::vector<float> ours(4096 * 2), theirs(4096 * 2);
  ASSERT_EQ(loaded->Seek(20000), 20000.0);
  ASSERT_EQ(linked->Seek(20000), 20000.0);
  ASSERT_EQ(loaded->Read(ours.data(), 4096), linked->Read(theirs.data(), 4096));
  EXPECT_EQ(ours, theirs);

  params.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  std::string wav = dir.File("tone.wav");
  ASSERT_TRUE(WriteTone(wav, params));
  std::unique_ptr<MediaFile> other = files->OpenMediaFile(wav);
  EXPECT_EQ(entry(&other), nullptr);
  EXPECT_TRUE(other) << "a file the module does not take must stay the caller's";
}

}  // namespace
