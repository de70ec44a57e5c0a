// Requests on their way from a bus thread to the UI thread. Bounded, so that a flood of calls is
// refused rather than piled up.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

template <typename Request>
class BoundedQueue {
 public:
  explicit BoundedQueue(size_t capacity) : capacity_(capacity) {}
  // False when the queue is full. The first request of an empty queue calls wake, which tells
  // the UI thread; when that fails the request is not kept, so that the next one wakes again.
  bool Push(const Request& request, const std::function<bool()>& wake) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (requests_.size() >= capacity_) return false;
    // The lock is held across the wake, so the UI thread, once woken, finds the request there.
    if (requests_.empty() && !wake()) return false;
    requests_.push_back(request);
    return true;
  }
  // Nothing while held: the requests wait until Release.
  std::vector<Request> TakeAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (held_) return {};
    std::vector<Request> taken(requests_.begin(), requests_.end());
    requests_.clear();
    return taken;
  }
  // Holds the requests back from TakeAll, for a taker that is not ready for them yet.
  void Hold() {
    std::lock_guard<std::mutex> lock(mutex_);
    held_ = true;
  }
  // True when requests wait: their wake came while they were held, so the caller wakes the
  // taker again.
  bool Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    held_ = false;
    return !requests_.empty();
  }

 private:
  std::mutex mutex_;
  std::deque<Request> requests_;
  size_t capacity_;
  bool held_ = false;
};
