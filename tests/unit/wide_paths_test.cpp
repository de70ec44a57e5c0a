#include "platform/wide_paths.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/unit/test_support.h"

TEST(WidePaths, OnlyComponentsTheCodePageCannotSpellTakeTheirAliases) {
  FakeWidePaths paths;
  paths.aliases = {
      {u"Z:\\music\\Motörhead", "MOTR~1AB"}, {u"Z:\\music\\Motörhead\\Jóga.ogg", "JGA~1XY.OGG"},
      {u"Z:\\music\\日本", "__~~~ONH"},      {u"Z:\\music\\日本\\歌.wav", "_~~~~HIT.WAV"},
      {u"Z:/music/Björk", "BJRK~1"},         {u"Z:\\music\\12\" Mix.mp3", "12__~IXO.MP3"},
      {u"Z:\\music\\dir\"q", "DIR_~ANR"},    {u"Z:\\music\\dir\"q\\Why?.mp3", "WHY_~KIV.MP3"},
  };
  const struct {
    const char* name;
    std::u16string path;
    std::string narrow;
  } cases[] = {
      // The narrow literals are Windows-1251 bytes, as the program's are.
      {"spelled", u"Z:\\Музыка\\Ace of Spades.mp3", "Z:\\Музыка\\Ace of Spades.mp3"},
      {"Latin letters", u"Z:\\music\\Motörhead\\Jóga.ogg", "Z:\\music\\MOTR~1AB\\JGA~1XY.OGG"},
      {"CJK", u"Z:\\music\\日本\\歌.wav", "Z:\\music\\__~~~ONH\\_~~~~HIT.WAV"},
      {"mixed, forward slashes", u"Z:/music/Björk/Песня.ogg", "Z:/music/BJRK~1/Песня.ogg"},
      {"missing file", u"Z:\\music\\Motörhead\\Gone.ogg", "Z:\\music\\MOTR~1AB\\Gone.ogg"},
      // No alias: a path that names no file.
      {"no alias", u"Z:\\music\\Sigur Rós", "Z:\\music\\Sigur R?s"},
      {"empty", u"", ""},
      // Names Windows forbids, spelled as they are by the code page, take their aliases too.
      {"forbidden", u"Z:\\music\\12\" Mix.mp3", "Z:\\music\\12__~IXO.MP3"},
      {"forbidden folder", u"Z:\\music\\dir\"q\\Why?.mp3", "Z:\\music\\DIR_~ANR\\WHY_~KIV.MP3"},
      {"forbidden, no alias", u"Z:\\music\\a*b.mp3", "Z:\\music\\a*b.mp3"},
  };
  for (const auto& c : cases) EXPECT_EQ(paths.Narrow(c.path), c.narrow) << c.name;
}

TEST(WidePaths, Utf8EncodingRoundTripsAndReplacesLoneSurrogates) {
  const struct {
    std::u16string text;
    std::string bytes;
  } cases[] = {
      {u"Z:\\a.mp3", "Z:\\a.mp3"},
      {u"Hoppípolla", "Hopp\xC3\xADpolla"},
      {u"Песня", "\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F"},
      {u"日\U0001F3B5", "\xE6\x97\xA5\xF0\x9F\x8E\xB5"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeUtf8(c.text), c.bytes);
    std::u16string back;
    EXPECT_TRUE(DecodeUtf8(c.bytes, &back));
    EXPECT_EQ(back, c.text);
  }
  EXPECT_EQ(EncodeUtf8(std::u16string(u"a") + char16_t(0xD800) + u"b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(EncodeUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(WidePaths, PlaylistLinesAreUtf8OnlyWhenValidAndBeyondAscii) {
  const struct {
    const char* name;
    std::string line;
    bool utf8;
    std::u16string text;
  } cases[] = {
      {"UTF-8 Latin", "Z:\\Bj\xC3\xB6rk\\J\xC3\xB3ga.ogg", true, u"Z:\\Björk\\Jóga.ogg"},
      {"UTF-8 CJK and beyond the BMP", "\xE6\x97\xA5\xF0\x9F\x8E\xB5", true, u"日\U0001F3B5"},
      {"Windows-1251 Cyrillic", "Z:\\Музыка\\Песня.mp3", false, u""},
      {"ASCII keeps its bytes", "C:\\a.mp3", false, u""},
      {"cut sequence", "a\xC3", false, u""},
      {"overlong", "\xC0\xAF", false, u""},
      {"surrogate", "\xED\xA0\x80", false, u""},
      {"past U+10FFFF", "\xF4\x90\x80\x80", false, u""},
  };
  for (const auto& c : cases) {
    std::u16string text;
    EXPECT_EQ(IsUtf8Line(c.line, &text), c.utf8) << c.name;
    EXPECT_EQ(text, c.text) << c.name;
  }
}
