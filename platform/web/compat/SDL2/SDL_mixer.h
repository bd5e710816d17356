// The part of SDL2_mixer's interface the SDL backend uses, for the browser build: a small mixer on
// SDL's audio device (platform/web/StbMixer.cpp) that plays WAV and Ogg Vorbis files (decoded
// with Debian's stb_vorbis) on numbered channels.
#pragma once

#include <SDL2/SDL.h>

#define MIX_INIT_OGG 0x00000010
#define MIX_MAX_VOLUME 128
#define MIX_DEFAULT_FORMAT AUDIO_S16SYS

extern "C" {
typedef struct Mix_Chunk Mix_Chunk;
int Mix_Init(int flags);
int Mix_OpenAudio(int frequency, Uint16 format, int channels, int chunksize);
void Mix_CloseAudio(void);
// Sets the number of channels; returns it.
int Mix_AllocateChannels(int numchans);
// The whole sound decoded to 16-bit stereo at the device's rate, or null.
Mix_Chunk* Mix_LoadWAV(const char* file);
Mix_Chunk* Mix_LoadWAV_RW(SDL_RWops* src, int freesrc); // freesrc: close src afterwards
void Mix_FreeChunk(Mix_Chunk* chunk);
// Plays on the first free channel (`channel` -1); `loops` -1 repeats for ever. The channel, or -1.
int Mix_PlayChannel(int channel, Mix_Chunk* chunk, int loops);
int Mix_HaltChannel(int channel); // -1: every channel
int Mix_Volume(int channel, int volume);
int Mix_Playing(int channel);
Mix_Chunk* Mix_GetChunk(int channel);
}
