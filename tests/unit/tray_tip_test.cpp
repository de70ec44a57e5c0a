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
