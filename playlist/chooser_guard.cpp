#include "playlist/chooser_guard.h"

bool ChooserGuard::Enter() {
  // Once past 1 the count only tells "open"; keep it there so that it cannot overflow.
  if (count_ > 0) {
    count_ = 2;
    return false;
  }
  count_ = 1;
  return true;
}
