#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/tray_tip.h"

TEST(TrayTip, TextsUpTo127BytesAreWholeAndLongerOnesAreCutBeforeTheNul) {
  for (size_t length : {0u, 1u, 126u, 127u, 128u, 500u}) {
    char field[kTrayTipSize];
    memset(field, 'z', sizeof field);
    std::string text(length, 'a');
    CopyTrayTip(text.c_str(), field);
    EXPECT_EQ(std::string(field), text.substr(0, 127)) << length;
    EXPECT_EQ(field[std::min<size_t>(length, 127)], '\0') << length;
  }
}

TEST(TrayTip, WideTextsKeep127UnitsAndNeverHalfASurrogatePair) {
  const std::u16string pair = u"\U0001F3B5";
  for (size_t length : {125u, 126u, 127u, 200u}) {
    char16_t field[kTrayTipSize];
    std::u16string text = std::u16string(length, u'ö') + pair;
    CopyTrayTip(text.c_str(), field);
    std::u16string kept =
        length <= 125 ? text : std::u16string(std::min<size_t>(length, 127), u'ö');
    EXPECT_EQ(std::u16string(field), kept) << length;
  }
}
