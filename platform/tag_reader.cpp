#include "platform/tag_reader.h"

TagReader::TagReader(ThreadStarter threads, ReadTags read, std::function<void()> readDone,
                     size_t capacity)
    : threads_(std::move(threads)),
      read_(std::move(read)),
      readDone_(std::move(readDone)),
      capacity_(capacity) {
  thread_ = threads_.start([this] { Serve(); });
}

TagReader::~TagReader() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wanted_.notify_one();
  if (thread_) threads_.join(thread_);
}

bool TagReader::Find(const std::string& path, TrackTags* tags) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = readTags_.find(path);
  if (found != readTags_.end()) {
    *tags = found->second;
    return true;
  }
  if (waiting_ != path) {
    waiting_ = path;
    wanted_.notify_one();
  }
  return false;
}

void TagReader::Serve() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wanted_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
    if (stopping_) return;
    std::string path = waiting_;
    lock.unlock();
    TrackTags tags = read_(path);
    lock.lock();
    // A path asked for again while it was read is not read twice.
    if (waiting_ == path) waiting_.clear();
    if (readTags_.emplace(path, tags).second) {
      readOrder_.push_back(path);
      if (readOrder_.size() > capacity_) {
        readTags_.erase(readOrder_.front());
        readOrder_.pop_front();
      }
    }
    lock.unlock();
    readDone_();
    lock.lock();
  }
}
