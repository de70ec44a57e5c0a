#include <gtest/gtest.h>

#include "playback/time_text.h"

namespace {

TEST(FormatTime, WritesMinutesAndSecondsWithoutHours) {
  struct Case {
    uint32_t seconds;
    const char* text;
  } cases[] = {{0, "00:00"},    {59, "00:59"},   {60, "01:00"},    {605, "10:05"},
               {3599, "59:59"}, {3600, "60:00"}, {6000, "100:00"}, {4294967295u, "71582788:15"}};
  for (const Case& c : cases) EXPECT_EQ(FormatTime(c.seconds), c.text) << c.seconds;
}

}  // namespace
