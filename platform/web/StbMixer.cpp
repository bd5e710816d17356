// Sound of the browser build: the SDL2_mixer calls of the SDL backend, answered by a small mixer on
// SDL's audio device. Sounds are decoded whole when loaded (Ogg Vorbis with Debian's stb_vorbis, WAV
// with SDL) into 16-bit stereo at the device's rate; the audio callback adds the playing channels.
#include <SDL2/SDL_mixer.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Weverything"
#include <stb/stb_vorbis.h>
#pragma clang diagnostic pop

struct Mix_Chunk {
    std::vector<std::int16_t> frames; // interleaved left, right
};

namespace {

struct Channel {
    Mix_Chunk* chunk = nullptr;
    std::size_t at = 0; // next sample
    int loops = 0;      // -1 for ever
    int volume = MIX_MAX_VOLUME;
};

struct Mixer {
    SDL_AudioDeviceID device = 0;
    int rate = 44100;
    std::vector<Channel> channels;
} mixer;

void mix(void*, Uint8* stream, int len) {
    auto* out = reinterpret_cast<std::int16_t*>(stream);
    const std::size_t n = static_cast<std::size_t>(len) / sizeof(std::int16_t);
    std::vector<int> sum(n, 0);
    for (Channel& c : mixer.channels) {
        if (!c.chunk) continue;
        const std::vector<std::int16_t>& f = c.chunk->frames;
        for (std::size_t i = 0; i < n && c.chunk;) {
            if (c.at >= f.size()) {
                if (c.loops == 0 || f.empty()) {
                    c.chunk = nullptr;
                    break;
                }
                if (c.loops > 0) --c.loops;
                c.at = 0;
            }
            const std::size_t take = std::min(n - i, f.size() - c.at);
            for (std::size_t k = 0; k < take; ++k) sum[i + k] += f[c.at + k] * c.volume / MIX_MAX_VOLUME;
            i += take;
            c.at += take;
        }
    }
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::int16_t>(std::clamp(sum[i], -32768, 32767));
}

// `in` (interleaved, `channels` per frame, `rate` Hz) as stereo at the device's rate.
Mix_Chunk* toDeviceFormat(const std::int16_t* in, std::size_t frames, int channels, int rate) {
    if (channels <= 0 || rate <= 0) return nullptr;
    auto* c = new Mix_Chunk;
    const double step = static_cast<double>(rate) / mixer.rate;
    const auto outFrames = static_cast<std::size_t>(static_cast<double>(frames) / step);
    c->frames.resize(outFrames * 2);
    for (std::size_t i = 0; i < outFrames; ++i) {
        const std::size_t src = std::min(frames - 1, static_cast<std::size_t>(static_cast<double>(i) * step));
        const std::int16_t l = in[src * channels];
        const std::int16_t r = channels > 1 ? in[src * channels + 1] : l;
        c->frames[2 * i] = l;
        c->frames[2 * i + 1] = r;
    }
    return c;
}

Mix_Chunk* loadVorbis(const std::vector<unsigned char>& bytes) {
    int channels = 0, rate = 0;
    short* data = nullptr;
    const int frames =
        stb_vorbis_decode_memory(bytes.data(), static_cast<int>(bytes.size()), &channels, &rate, &data);
    if (frames <= 0 || !data) {
        std::free(data);
        return nullptr;
    }
    Mix_Chunk* c = toDeviceFormat(data, static_cast<std::size_t>(frames), channels, rate);
    std::free(data);
    return c;
}

Mix_Chunk* loadWave(const std::vector<unsigned char>& bytes) {
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (!rw) return nullptr;
    SDL_AudioSpec spec;
    Uint8* buf = nullptr;
    Uint32 len = 0;
    if (!SDL_LoadWAV_RW(rw, 1, &spec, &buf, &len)) return nullptr;
    SDL_AudioCVT cvt;
    Mix_Chunk* c = nullptr;
    if (SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, AUDIO_S16SYS, 2, mixer.rate) >= 0) {
        std::vector<Uint8> work(static_cast<std::size_t>(len) *
                                static_cast<std::size_t>(std::max(1, cvt.len_mult)));
        std::memcpy(work.data(), buf, len);
        cvt.buf = work.data();
        cvt.len = static_cast<int>(len);
        if (SDL_ConvertAudio(&cvt) == 0) {
            c = new Mix_Chunk;
            c->frames.resize(static_cast<std::size_t>(cvt.len_cvt) / sizeof(std::int16_t));
            std::memcpy(c->frames.data(), work.data(), c->frames.size() * sizeof(std::int16_t));
        }
    }
    SDL_FreeWAV(buf);
    return c;
}

bool validChannel(int ch) {
    return ch >= 0 && static_cast<std::size_t>(ch) < mixer.channels.size();
}

} // namespace

extern "C" {

int Mix_Init(int flags) {
    return flags & MIX_INIT_OGG;
}

int Mix_OpenAudio(int frequency, Uint16 format, int channels, int chunksize) {
    SDL_AudioSpec want{}, have{};
    want.freq = frequency;
    want.format = format;
    want.channels = static_cast<Uint8>(channels);
    want.samples = static_cast<Uint16>(chunksize);
    want.callback = &mix;
    mixer.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (mixer.device == 0) return -1;
    mixer.rate = have.freq;
    SDL_PauseAudioDevice(mixer.device, 0);
    return 0;
}

void Mix_CloseAudio(void) {
    if (mixer.device) SDL_CloseAudioDevice(mixer.device);
    mixer.device = 0;
    mixer.channels.clear();
}

int Mix_AllocateChannels(int numchans) {
    SDL_LockAudioDevice(mixer.device);
    mixer.channels.resize(static_cast<std::size_t>(std::max(0, numchans)));
    SDL_UnlockAudioDevice(mixer.device);
    return static_cast<int>(mixer.channels.size());
}

Mix_Chunk* Mix_LoadWAV_RW(SDL_RWops* src, int freesrc) {
    if (!src) return nullptr;
    std::vector<unsigned char> bytes;
    unsigned char block[65536];
    for (std::size_t n; (n = SDL_RWread(src, block, 1, sizeof block)) > 0;)
        bytes.insert(bytes.end(), block, block + n);
    if (freesrc) SDL_RWclose(src);
    if (Mix_Chunk* c = loadVorbis(bytes)) return c;
    if (Mix_Chunk* c = loadWave(bytes)) return c;
    SDL_SetError("cannot decode the sound");
    return nullptr;
}

Mix_Chunk* Mix_LoadWAV(const char* file) {
    return Mix_LoadWAV_RW(SDL_RWFromFile(file, "rb"), 1);
}

void Mix_FreeChunk(Mix_Chunk* chunk) {
    if (!chunk) return;
    SDL_LockAudioDevice(mixer.device);
    for (Channel& c : mixer.channels)
        if (c.chunk == chunk) c.chunk = nullptr;
    SDL_UnlockAudioDevice(mixer.device);
    delete chunk;
}

int Mix_PlayChannel(int channel, Mix_Chunk* chunk, int loops) {
    if (!chunk) return -1;
    int found = -1;
    SDL_LockAudioDevice(mixer.device);
    if (channel < 0) {
        for (std::size_t i = 0; i < mixer.channels.size() && found < 0; ++i)
            if (!mixer.channels[i].chunk) found = static_cast<int>(i);
    } else if (validChannel(channel)) {
        found = channel;
    }
    if (found >= 0) {
        Channel& c = mixer.channels[static_cast<std::size_t>(found)];
        c.chunk = chunk;
        c.at = 0;
        c.loops = loops;
    }
    SDL_UnlockAudioDevice(mixer.device);
    return found;
}

int Mix_HaltChannel(int channel) {
    SDL_LockAudioDevice(mixer.device);
    for (std::size_t i = 0; i < mixer.channels.size(); ++i)
        if (channel < 0 || static_cast<int>(i) == channel) mixer.channels[i].chunk = nullptr;
    SDL_UnlockAudioDevice(mixer.device);
    return 0;
}

int Mix_Volume(int channel, int volume) {
    if (!validChannel(channel)) return 0;
    Channel& c = mixer.channels[static_cast<std::size_t>(channel)];
    const int before = c.volume;
    if (volume >= 0) c.volume = std::min(volume, MIX_MAX_VOLUME);
    return before;
}

int Mix_Playing(int channel) {
    return validChannel(channel) && mixer.channels[static_cast<std::size_t>(channel)].chunk != nullptr ? 1
                                                                                                       : 0;
}

Mix_Chunk* Mix_GetChunk(int channel) {
    return validChannel(channel) ? mixer.channels[static_cast<std::size_t>(channel)].chunk : nullptr;
}

} // extern "C"
