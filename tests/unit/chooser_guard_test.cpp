#include "playlist/chooser_guard.h"

#include <gtest/gtest.h>

TEST(ChooserGuard, RequestsWhileOpenAreRefusedUntilItCloses) {
  ChooserGuard guard;
  ASSERT_TRUE(guard.Enter());
  // Hotkey presses dispatched by the open dialog's loop.
  EXPECT_FALSE(guard.Enter());
  EXPECT_FALSE(guard.Enter());
  EXPECT_TRUE(guard.IsOpen());
  guard.Leave();
  EXPECT_FALSE(guard.IsOpen());
  EXPECT_TRUE(guard.Enter());
}
