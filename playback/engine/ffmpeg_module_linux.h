// The native Linux program links no FFmpeg: its decoder is a module beside the program, loaded the
// first time a track is handed to it, so that a start pays for none of FFmpeg's libraries.
#pragma once

#include <memory>
#include <string>

class Decoder;
class MediaFile;

// The module's file name, beside the program.
constexpr char kFfmpegModuleName[] = "tunlark-ffmpeg.so";
// The module's one exported function: OpenFfmpegDecoder as a C symbol. On success the decoder
// owns *file; otherwise it returns null and *file stays the caller's.
constexpr char kFfmpegModuleEntry[] = "tunlark_open_ffmpeg_decoder";
using FfmpegModuleEntry = Decoder* (*)(std::unique_ptr<MediaFile>* file);

// The module at path, loaded and kept for the rest of the process; null (the reason on stderr)
// when it is missing, no module or lacks the entry.
FfmpegModuleEntry LoadFfmpegModule(const std::string& path);

// The module's path beside the running program, from /proc/self/exe; empty when unknown.
std::string FfmpegModuleBesideProgram();
