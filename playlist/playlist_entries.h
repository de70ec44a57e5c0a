// How a track line of an M3U or PLS file becomes a playlist entry, as other programs write them:
// a file:// URI names its path, other URLs are skipped, and a relative path is taken from the
// playlist file's folder, so that the entry still names the file when saved in current.spl.
#pragma once

#include <string>

// Removes a UTF-8 byte-order mark from the first line of a file; true when there was one.
bool SkipByteOrderMark(std::string* firstLine);

// The path a line stands for before resolving: a file URI's path, percent-decoded (its bytes
// are then UTF-8, as URIs are), or the line itself. False for any other URL. uri, when given,
// tells whether the line was a file URI.
bool LinePath(const std::string& line, std::string* path, bool* uri = nullptr);

// path resolved against the folder of the playlist file: a relative path is appended to that
// folder, a path beginning with a slash or backslash gets the playlist's drive; drive and UNC
// paths stay as they are. In a Windows playlist path's entries "/" becomes "\"; nothing else is
// normalised.
std::string ResolveEntry(const std::string& playlistPath, const std::string& path);

// A path of the Linux side, rooted at '/': its folders end at '/' alone, and a '\\' is part of a
// name, as are '"', '?' and '*'.
bool IsUnixPath(const std::string& path);
