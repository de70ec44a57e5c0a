// Reading tag texts in the right encoding, naming and bounding the cover cache, and the reader
// thread that reads each track once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/cover_cache.h"
#include "platform/tag_reader.h"
#include "platform/tag_text.h"
#include "platform/track_tags.h"

namespace {

// "Кино" in UTF-8 and in Windows-1251.
const std::string kKinoUtf8 = "\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE";
const std::string kKino1251 = "\xCA\xE8\xED\xEE";

TEST(TagText, SingleByteTextIsReadInTheCodePageUnlessItIsUtf8) {
  const struct {
    const char* name;
    std::string bytes;
    std::string utf8;
  } cases[] = {
      {"Windows-1251 letters", kKino1251, kKinoUtf8},
      {"ASCII", "Kino", "Kino"},
      {"UTF-8 written into a Latin-1 frame", kKinoUtf8, kKinoUtf8},
      {"Yo and the numero sign outside the alphabet's run", "\xA8\xB9", "\xD0\x81\xE2\x84\x96"},
      // The choice costs Latin-1's accented letters: 0xE9 is й in the code page.
      {"Latin-1 e acute", "Caf\xE9", "Caf\xD0\xB9"},
      {"a Cyrillic lead byte cut short", "\xD0", "\xD0\xA0"},
      {"the unassigned byte", "\x98", "\xC2\x98"},
      {"ends at the first NUL", std::string("AB\0\xCA\xCA", 5), "AB"},
      {"empty", "", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SingleByteTagText(c.bytes), c.utf8) << c.name;
}

TEST(TrackTags, TooltipTextAndNumbersAndBrokenTexts) {
  TrackTags tags;
  EXPECT_EQ(ArtistDashTitle(tags, "01 track"), "01 track");
  tags.title = "Song";
  EXPECT_EQ(ArtistDashTitle(tags, "01 track"), "Song");
  tags.artists = {kKinoUtf8, "", "B"};
  EXPECT_EQ(ArtistDashTitle(tags, "01 track"), kKinoUtf8 + ", B \xE2\x80\x94 Song");

  const struct {
    const char* field;
    int number;
  } numbers[] = {{"3", 3},  {"3/12", 3}, {" 07", 7},         {"", 0},
                 {"x3", 0}, {"3a", 0},   {"99999999999", 0}, {"-1", 0}};
  for (const auto& n : numbers) EXPECT_EQ(LeadingNumber(n.field), n.number) << n.field;

  TrackTags broken;
  broken.title = "\xED\xA0\x80";  // a surrogate, as a lone UTF-16 half turns out
  broken.artists = {"ok", "\xFF"};
  broken.album = "fine";
  DropInvalidTexts(&broken);
  EXPECT_EQ(broken.title, "");
  EXPECT_EQ(broken.artists, std::vector<std::string>{"ok"});
  EXPECT_EQ(broken.album, "fine");
}

TEST(CoverCache, PicturesAreNamedByTheirContentAndOnlyImagesAreNamed) {
  const std::string jpeg = "\xFF\xD8\xFF\xE0 jpeg body";
  const std::string png = "\x89PNG\r\n\x1A\n png body";
  const struct {
    const char* name;
    std::string bytes;
    const char* extension;
  } cases[] = {
      {"JPEG", jpeg, ".jpg"},
      {"PNG", png, ".png"},
      {"GIF", "GIF89a...", ".gif"},
      {"WebP", "RIFF\x10\x01\x01\x01WEBPVP8 ", ".webp"},
      {"text", "this is no picture", ""},
      {"RIFF that is a WAV", "RIFF\x10\x01\x01\x01WAVEfmt ", ""},
      {"a JPEG cut after two bytes", "\xFF\xD8", ""},
      {"nothing", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PictureExtension(c.bytes), c.extension) << c.name;
    std::string name = CoverFileName(c.bytes);
    EXPECT_EQ(name.empty(), *c.extension == 0) << c.name;
    if (!name.empty()) {
      EXPECT_TRUE(IsCoverFileName(name)) << name;
    }
  }
  EXPECT_EQ(CoverFileName(jpeg), CoverFileName(std::string(jpeg)));
  EXPECT_NE(CoverFileName(jpeg), CoverFileName(jpeg + "x"));
  std::string huge = jpeg + std::string(kMaxCoverBytes, 'x');
  EXPECT_EQ(CoverFileName(huge), "");

  for (const char* other : {"cover.jpg", "0123456789abcdef-.jpg", "0123456789abcdeg-10.jpg",
                            "0123456789abcdef-10.txt", "0123456789abcdef-10.jpg.part", "."})
    EXPECT_FALSE(IsCoverFileName(other)) << other;
}

TEST(CoverCache, TheLeastRecentlyUsedGoPastEitherBoundButNeverTheNewOne) {
  std::vector<CachedCover> covers = {
      {"old", 10, 1}, {"new", 10, 5}, {"mid", 10, 3}, {"stored", 10, 0}};
  EXPECT_EQ(CoversToRemove(covers, "stored", 4, 100), std::vector<std::string>{});
  EXPECT_EQ(CoversToRemove(covers, "stored", 2, 100), (std::vector<std::string>{"mid", "old"}));
  EXPECT_EQ(CoversToRemove(covers, "stored", 10, 25), (std::vector<std::string>{"mid", "old"}));
  // A picture larger than the whole bound still stays while it is the one just stored.
  std::vector<CachedCover> large = {{"stored", 500, 9}, {"old", 10, 1}};
  EXPECT_EQ(CoversToRemove(large, "stored", 10, 100), std::vector<std::string>{"old"});
}

TEST(CoverCache, FolderPicturesAndTheCacheFolder) {
  const struct {
    const char* name;
    int rank;
  } pictures[] = {{"cover.jpg", 0}, {"Folder.JPEG", 1}, {"front.png", 2}, {"cover.gif", -1},
                  {"cover", -1},    {"covers.jpg", -1}, {"back.jpg", -1}, {".jpg", -1}};
  for (const auto& p : pictures) EXPECT_EQ(FolderPictureRank(p.name), p.rank) << p.name;

  EXPECT_EQ(CoverCacheFolder("/x/cache", "/home/u"), "/x/cache/tunlark/covers");
  EXPECT_EQ(CoverCacheFolder("relative", "/home/u"), "/home/u/.cache/tunlark/covers");
  EXPECT_EQ(CoverCacheFolder(nullptr, "/home/u"), "/home/u/.cache/tunlark/covers");
  EXPECT_EQ(CoverCacheFolder(nullptr, nullptr), "");
}

TEST(TagReader, EachPathIsReadOnceAndOnlyTheLastAskedWaits) {
  std::mutex mutex;
  std::vector<std::string> reads;
  std::atomic<bool> started{false};
  std::atomic<bool> release{false};
  std::atomic<int> done{0};
  {
    TagReader reader(
        StdThreadStarter(),
        [&](const std::string& path) {
          started = true;
          while (path == "slow" && !release) std::this_thread::yield();
          std::lock_guard<std::mutex> lock(mutex);
          reads.push_back(path);
          TrackTags tags;
          tags.title = "title of " + path;
          return tags;
        },
        [&] { ++done; }, 2);
    auto until = [](const std::atomic<int>& value, int count) {
      for (int i = 0; i < 5000 && value < count; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      return value >= count;
    };
    TrackTags tags;
    EXPECT_FALSE(reader.Find("slow", &tags));
    // While "slow" is read, b is asked and then c: c replaces b.
    for (int i = 0; i < 5000 && !started; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_FALSE(reader.Find("b", &tags));
    EXPECT_FALSE(reader.Find("c", &tags));
    release = true;
    ASSERT_TRUE(until(done, 2));
    EXPECT_TRUE(reader.Find("c", &tags));
    EXPECT_EQ(tags.title, "title of c");
    EXPECT_TRUE(reader.Find("slow", &tags));
    // A third path pushes the oldest out of the bound of two.
    EXPECT_FALSE(reader.Find("d", &tags));
    ASSERT_TRUE(until(done, 3));
    // Asked again, it is read again; waited for, so that the reader's stop cannot race it.
    EXPECT_FALSE(reader.Find("slow", &tags));
    ASSERT_TRUE(until(done, 4));
  }
  EXPECT_EQ(reads, (std::vector<std::string>{"slow", "c", "d", "slow"}));
}

TEST(TagReader, StopWaitsForABlockedReadOnlyUpToItsBound) {
  // The read blocks as on a hung network mount, until the test lets it go. What it touches
  // outlives the reader, as the program's read function does.
  struct Gate {
    std::atomic<bool> entered{false};
    std::atomic<bool> open{false};
    std::atomic<bool> left{false};
  };
  auto gate = std::make_shared<Gate>();
  std::atomic<int> done{0};
  auto reader = std::make_unique<TagReader>(
      StdThreadStarter(),
      [gate](const std::string&) {
        gate->entered = true;
        while (!gate->open) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        gate->left = true;
        return TrackTags();
      },
      [&done] { ++done; });
  TrackTags tags;
  EXPECT_FALSE(reader->Find("/mnt/hung/a.mp3", &tags));
  for (int i = 0; i < 5000 && !gate->entered; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(gate->entered);

  auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(reader->Stop(std::chrono::milliseconds(50)));
  reader.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));

  // Let go, the read ends its thread without telling the stopped reader.
  gate->open = true;
  for (int i = 0; i < 5000 && !gate->left; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(done, 0);

  // An idle reader ends at once.
  TagReader idle(
      StdThreadStarter(), [](const std::string&) { return TrackTags(); }, [] {});
  EXPECT_TRUE(idle.Stop(std::chrono::milliseconds(2000)));
}

}  // namespace
