#include "platform/tag_reader.h"

TagReader::TagReader(ThreadStarter threads, ReadTags read, std::function<void()> readDone,
                     size_t capacity)
    : threads_(std::move(threads)), shared_(std::make_shared<Shared>()) {
  shared_->read = std::move(read);
  shared_->readDone = std::move(readDone);
  shared_->capacity = capacity;
  std::shared_ptr<Shared> shared = shared_;
  thread_ = threads_.start([shared] { Serve(shared); });
}

TagReader::~TagReader() {
  Stop();
}

bool TagReader::Stop(std::chrono::milliseconds bound) {
  if (!thread_) return true;
  bool ended;
  {
    std::unique_lock<std::mutex> lock(shared_->mutex);
    shared_->stopping = true;
    shared_->wanted.notify_one();
    ended = shared_->ended.wait_for(lock, bound, [this] { return shared_->finished; });
  }
  if (ended) {
    threads_.join(thread_);
  } else if (threads_.release) {
    threads_.release(thread_);
  }
  thread_ = nullptr;
  return ended;
}

bool TagReader::Find(const std::string& path, TrackTags* tags) {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  auto found = shared_->readTags.find(path);
  if (found != shared_->readTags.end()) {
    *tags = found->second;
    return true;
  }
  if (shared_->waiting != path) {
    shared_->waiting = path;
    shared_->wanted.notify_one();
  }
  return false;
}

void TagReader::Serve(const std::shared_ptr<Shared>& shared) {
  Shared& s = *shared;
  std::unique_lock<std::mutex> lock(s.mutex);
  for (;;) {
    s.wanted.wait(lock, [&s] { return s.stopping || !s.waiting.empty(); });
    if (s.stopping) break;
    std::string path = s.waiting;
    lock.unlock();
    TrackTags tags = s.read(path);
    lock.lock();
    // A path asked for again while it was read is not read twice.
    if (s.waiting == path) s.waiting.clear();
    if (s.readTags.emplace(path, tags).second) {
      s.readOrder.push_back(path);
      if (s.readOrder.size() > s.capacity) {
        s.readTags.erase(s.readOrder.front());
        s.readOrder.pop_front();
      }
    }
    // Nobody is left to tell once the reader has stopped.
    if (s.stopping) break;
    lock.unlock();
    s.readDone();
    lock.lock();
  }
  s.finished = true;
  s.ended.notify_all();
}
