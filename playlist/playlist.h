// The ordered list of track paths. The current index lives beside it in the ApplicationState
// (CurrentIndex) and may point anywhere, also past the end; every user tests it against Count().
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_extension.h"

class Playlist {
 public:
  // Removes every entry; CurrentIndex is not touched.
  void Clear() { entries_.clear(); }
  void Append(const std::string& path) { entries_.push_back(path); }
  uint32_t Count() const { return static_cast<uint32_t>(entries_.size()); }
  // index must be below Count().
  const std::string& EntryAt(uint32_t index) const { return entries_[index]; }

 private:
  std::vector<std::string> entries_;
};

// Move g_app.CurrentIndex on or back with wrap-around, in unsigned 32-bit arithmetic.
void StepNext();
void StepPrevious();

// True when g_app.CurrentIndex names an entry of g_app.playlist.
bool HasCurrentEntry();

// LowerExtension of the file's real name where the program names the file by its 8.3 alias,
// whose extension is cut to three capitals ("Ωmega.aiff" is "OMEGA~1.AIF"); of path otherwise.
std::string LowerExtensionOfFile(const std::string& path);

// True when a folder scan takes a file of this lower-case extension as a track (TrackExtensions).
bool IsTrackExtension(const std::string& lowerExtension);
