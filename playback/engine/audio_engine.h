// The audio engine: decoding of streams (WAV, AIFF, OGG, FLAC, Opus, MPEG audio, AAC and ALAC in
// MP4, WMA) and tracker modules, mixing on the engine's own thread, and output. Its public calls
// take handles and plain values, never throw, and return 0 or false on failure with the reason
// kept for BASS_ErrorGetCode.
//
// Threads: the BASS_* calls may be made from any thread; the program makes them all from its one
// UI thread (tests: the test thread). BASS_Init starts the mixing thread through the thread
// starter of EngineConfig; BASS_Free ends it. Each call holds the engine's lock only briefly and
// never while a file is opened or scanned, so a call waits at most for one block to be mixed.
//
// The mixing thread never calls back into the program (but for EngineConfig's notice that a
// channel's state changed by itself, which returns at once), never waits for the UI thread, never
// holds the engine's lock while it waits for the device, and does not allocate per block: its
// buffers are sized when a channel is created.
#pragma once

#include <cstdint>

// BASS_SetConfig options.
constexpr uint32_t BASS_CONFIG_UPDATEPERIOD = 1;

// Flags.
constexpr uint32_t BASS_DEVICE_LATENCY = 0x100;
constexpr uint32_t BASS_SAMPLE_FLOAT = 0x100;
constexpr uint32_t BASS_STREAM_PRESCAN = 0x20000;
constexpr uint32_t BASS_MUSIC_PRESCAN = 0x20000;
constexpr uint32_t BASS_MUSIC_RAMP = 0x200;
constexpr uint32_t BASS_MUSIC_RAMPS = 0x400;

// Channel types reported by BASS_ChannelGetInfo.
// A stream of a kind the library has no value of its own for.
constexpr uint32_t BASS_CTYPE_STREAM = 0x10000;
constexpr uint32_t BASS_CTYPE_STREAM_OGG = 0x10002;
constexpr uint32_t BASS_CTYPE_STREAM_MP1 = 0x10003;
constexpr uint32_t BASS_CTYPE_STREAM_MP2 = 0x10004;
constexpr uint32_t BASS_CTYPE_STREAM_MP3 = 0x10005;
constexpr uint32_t BASS_CTYPE_STREAM_AIFF = 0x10006;
constexpr uint32_t BASS_CTYPE_STREAM_WAV = 0x40000;
// The add-on formats, by the values of the library's add-ons: all outside the module range.
constexpr uint32_t BASS_CTYPE_STREAM_WMA = 0x10300;
constexpr uint32_t BASS_CTYPE_STREAM_FLAC = 0x10900;
constexpr uint32_t BASS_CTYPE_STREAM_AAC = 0x10b00;
constexpr uint32_t BASS_CTYPE_STREAM_ALAC = 0x10e00;
constexpr uint32_t BASS_CTYPE_STREAM_OPUS = 0x11200;
constexpr uint32_t BASS_CTYPE_MUSIC_MOD = 0x20000;
constexpr uint32_t BASS_CTYPE_MUSIC_MTM = 0x20001;
constexpr uint32_t BASS_CTYPE_MUSIC_S3M = 0x20002;
constexpr uint32_t BASS_CTYPE_MUSIC_XM = 0x20003;
constexpr uint32_t BASS_CTYPE_MUSIC_IT = 0x20004;
constexpr uint32_t BASS_CTYPE_MUSIC_MO3 = 0x00100;

// BASS_ChannelIsActive results.
constexpr uint32_t BASS_ACTIVE_STOPPED = 0;
constexpr uint32_t BASS_ACTIVE_PLAYING = 1;
constexpr uint32_t BASS_ACTIVE_STALLED = 2;
constexpr uint32_t BASS_ACTIVE_PAUSED = 3;

struct BASS_CHANNELINFO {
  uint32_t freq;
  uint32_t chans;
  uint32_t flags;
  uint32_t ctype;
  uint32_t origres;
  uint32_t sample;
};

// Only BASS_CONFIG_UPDATEPERIOD (ms, 5..100): the mixing block, taking effect at BASS_Init.
bool BASS_SetConfig(uint32_t option, uint32_t value);
bool BASS_Init(int device, uint32_t freq, uint32_t flags, void* window, void* clsid);
// Closes the output and frees every channel; the program never calls it, tests do.
bool BASS_Free();
bool BASS_Start();
bool BASS_Stop();
uint32_t BASS_SampleCreate(uint32_t length, uint32_t freq, uint32_t chans, uint32_t max,
                           uint32_t flags);
// file is a narrow path in the system code page, opened through the platform's file system.
uint32_t BASS_StreamCreateFile(bool mem, const void* file, uint64_t offset, uint64_t length,
                               uint32_t flags);
uint32_t BASS_MusicLoad(bool mem, const void* file, uint64_t offset, uint32_t length,
                        uint32_t flags, uint32_t freq);
// Positions and lengths are bytes in the channel's own format: its rate and channel count, 4 bytes
// a sample with BASS_SAMPLE_FLOAT, 2 otherwise. The position is the one being heard.
bool BASS_ChannelGetInfo(uint32_t handle, BASS_CHANNELINFO* info);
bool BASS_StreamFree(uint32_t handle);
bool BASS_MusicFree(uint32_t handle);
bool BASS_ChannelPlay(uint32_t handle, bool restart);
bool BASS_ChannelPause(uint32_t handle);
bool BASS_ChannelStop(uint32_t handle);
// BASS_ACTIVE_STOPPED also for an unknown handle and once the end of the data has been heard.
uint32_t BASS_ChannelIsActive(uint32_t handle);
// volume 0..100 (clamped), frequency and pan as in the original interface (0 = unchanged/centre).
bool BASS_ChannelSetAttributes(uint32_t handle, int freq, int volume, int pan);
uint64_t BASS_ChannelGetLength(uint32_t handle);
uint64_t BASS_ChannelGetPosition(uint32_t handle);
double BASS_ChannelBytes2Seconds(uint32_t handle, uint64_t bytes);
uint64_t BASS_ChannelSeconds2Bytes(uint32_t handle, float seconds);
bool BASS_ChannelSetPosition(uint32_t handle, uint64_t bytes);
int BASS_ErrorGetCode();

// Beyond the original interface: true once for each time the channel has played to the end of
// its data since the last call, however long its decoder said it was. A stop, a new position or a
// restart forgets an end not yet taken.
bool TakeChannelEnd(uint32_t handle);
