// Placeholder until the engine lands: every call fails as with no output device.
#include "playback/audio_engine.h"
#include "playback/engine_config.h"

EngineConfig DefaultEngineConfig() { return EngineConfig(); }
void ConfigureEngine(const EngineConfig&) {}
std::unique_ptr<AudioOutput> CreateNullOutput() { return nullptr; }

bool BASS_SetConfig(uint32_t, uint32_t) { return false; }
bool BASS_Init(int, uint32_t, uint32_t, void*, void*) { return false; }
bool BASS_Start() { return false; }
bool BASS_Stop() { return false; }
uint32_t BASS_SampleCreate(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) { return 0; }
uint32_t BASS_StreamCreateFile(bool, const void*, uint64_t, uint64_t, uint32_t) { return 0; }
uint32_t BASS_MusicLoad(bool, const void*, uint64_t, uint32_t, uint32_t, uint32_t) { return 0; }
bool BASS_ChannelGetInfo(uint32_t, BASS_CHANNELINFO*) { return false; }
bool BASS_StreamFree(uint32_t) { return false; }
bool BASS_MusicFree(uint32_t) { return false; }
bool BASS_ChannelPlay(uint32_t, bool) { return false; }
bool BASS_ChannelPause(uint32_t) { return false; }
bool BASS_ChannelStop(uint32_t) { return false; }
uint32_t BASS_ChannelIsActive(uint32_t) { return 0; }
bool BASS_ChannelSetAttributes(uint32_t, int, int, int) { return false; }
uint64_t BASS_ChannelGetLength(uint32_t) { return 0; }
uint64_t BASS_ChannelGetPosition(uint32_t) { return 0; }
double BASS_ChannelBytes2Seconds(uint32_t, uint64_t) { return 0; }
uint64_t BASS_ChannelSeconds2Bytes(uint32_t, float) { return 0; }
bool BASS_ChannelSetPosition(uint32_t, uint64_t) { return false; }
int BASS_ErrorGetCode() { return 0; }
