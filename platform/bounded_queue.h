// Requests on their way from a bus thread to the UI thread. Bounded, so that a flood of calls is
// refused rather than piled up.
#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <vector>

template <typename Request>
class BoundedQueue {
 public:
  explicit BoundedQueue(size_t capacity) : capacity_(capacity) {}
  // False when the queue is full. *wasEmpty tells whether the UI thread needs waking.
  bool Push(const Request& request, bool* wasEmpty) {
    std::lock_guard<std::mutex> lock(mutex_);
    *wasEmpty = requests_.empty();
    if (requests_.size() >= capacity_) return false;
    requests_.push_back(request);
    return true;
  }
  std::vector<Request> TakeAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Request> taken(requests_.begin(), requests_.end());
    requests_.clear();
    return taken;
  }

 private:
  std::mutex mutex_;
  std::deque<Request> requests_;
  size_t capacity_;
};
