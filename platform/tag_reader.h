// Reads the tags of the tracks the player starts on a thread of its own, so that a large file or
// picture never holds up the main loop, and keeps what it read: each path is read once.
#pragma once

#include <condition_variable>
#include <functional>
#include <list>
#include <map>
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
  // Waits for the read under way, if any, and ends the thread.
  ~TagReader();
  TagReader(const TagReader&) = delete;
  TagReader& operator=(const TagReader&) = delete;

  // True with *tags when path has been read; otherwise asks for it and returns false. Only the
  // path asked last waits to be read: skipping through a list reads the track that stays.
  bool Find(const std::string& path, TrackTags* tags);

 private:
  void Serve();

  ThreadStarter threads_;
  ReadTags read_;
  std::function<void()> readDone_;
  size_t capacity_;
  void* thread_ = nullptr;

  std::mutex mutex_;
  std::condition_variable wanted_;
  std::string waiting_;  // the path asked for, empty when none
  bool stopping_ = false;
  std::map<std::string, TrackTags> readTags_;
  std::list<std::string> readOrder_;  // oldest first, for the bound
};
