// The core's state for a fuzz target of the playlist and settings readers.
#pragma once

#include <string>

#include "tests/fuzz/memory_file_system.h"

// Resets g_app and the hotkey bindings and points g_platform.files at a fresh MemoryFileSystem
// whose program directory is "mem/"; puts everything back when it goes.
class FuzzState {
 public:
  FuzzState();
  ~FuzzState();
  // Stores bytes as programDirectory + name and returns that path.
  std::string Put(const std::string& name, const void* data, size_t size);
  MemoryFileSystem files;
};
