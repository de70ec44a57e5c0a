// Reads the tags of the tracks the player starts on a thread of its own, so that a large file or
// picture never holds up the main loop, and keeps what it read: each path is read once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/thread_starter.h"
#include "platform/track_tags.h"

class TagReader {
 public:
  using ReadTags = std::function<TrackTags(const std::string& path)>;
  // read runs on the reader's thread; readDone there after each read, and must return at once
  // (the program posts a message to its window).
  TagReader(ThreadStarter threads, ReadTags read, std::function<void()> readDone,
            size_t capacity = 256);
  // Stops the thread, waiting for a read under way no longer than Stop's default bound.
  ~TagReader();
  TagReader(const TagReader&) = delete;
  TagReader& operator=(const TagReader&) = delete;

  // True with *tags when path has been read; otherwise asks for it and returns false. Only the
  // path asked last waits to be read: skipping through a list reads the track that stays.
  bool Find(const std::string& path, TrackTags* tags);

  // Ends the thread. A read can block for good (a hung network mount), so it is waited for at
  // most bound; true when the thread has ended. A thread still reading after that is left to
  // end by itself and touches nothing of this object.
  bool Stop(std::chrono::milliseconds bound = std::chrono::milliseconds(100));

 private:
  // Everything the thread touches: it outlives the reader while a read is under way.
  struct Shared {
    ReadTags read;
    std::function<void()> readDone;
    size_t capacity = 0;

    std::mutex mutex;
    std::condition_variable wanted;
    std::condition_variable ended;
    std::string waiting;  // the path asked for, empty when none
    bool stopping = false;
    bool finished = false;
    std::map<std::string, TrackTags> readTags;
    std::list<std::string> readOrder;  // oldest first, for the bound
  };
  static void Serve(const std::shared_ptr<Shared>& shared);

  ThreadStarter threads_;
  std::shared_ptr<Shared> shared_;
  void* thread_ = nullptr;
};
