// Generates the demo world's sounds: the level music of the three maps, the loading music and the
// object sounds, synthesised here and encoded as Ogg Vorbis.
//
// Build and run from the repository root (needs libvorbis-dev; not part of the CMake build):
//
//   LIBS=$(pkg-config --cflags --libs vorbisenc vorbis ogg)
//   g++ -std=c++20 -O2 -Wall -Wextra -Werror tools/make_demo_sounds.cpp -o /tmp/mds $LIBS
//   /tmp/mds demo/SOUNDS
//
// Writes into the given folder (default demo/SOUNDS):
//   #L1001.ogg  intro music (map 1001)    #L1000.ogg  title music (map 1000)
//   #L0.ogg     level music (map 0)       #L1.ogg     the same tune lower (map 1, the second level)
//   LOADING.ogg loading music (the FILELOADMUSIC name)
//   zap.ogg     the gun's shot            tick.ogg    the gear (tick and tock)
//   chime1.ogg .. chime4.ogg              the four walk tiles (right, up, left, down)
//
// Music files are seamless loops: every note, and the reverb, wraps around the end of the loop.
// Object sounds are short one-shots that end in silence. Output is deterministic: the notes come
// from fixed tables and a fixed pseudo-random sequence, and every stream has a fixed serial
// number, so running the tool twice gives identical files.

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// A small linear congruential generator: the same sequence on every run and machine.
struct Rng {
    std::uint32_t s;
    explicit Rng(std::uint32_t seed) : s(seed) {}
    std::uint32_t next() {
        s = s * 1664525u + 1013904223u;
        return s;
    }
    double uniform() { return static_cast<double>(next() >> 8) / 16777216.0; } // [0, 1)
    double noise() { return uniform() * 2.0 - 1.0; }                           // [-1, 1)
};

double midiHz(double m) {
    return 440.0 * std::pow(2.0, (m - 69.0) / 12.0);
}

// A sound being built: one or two channels of float samples. A loop wraps every sample written
// past its end to its start; a one-shot drops it.
struct Track {
    std::string name;
    int rate;
    int channels;
    bool loop;
    double quality; // Vorbis VBR quality, -0.1 .. 1.0
    std::vector<float> ch[2];

    Track(std::string n, int r, int c, double seconds, bool l, double q)
        : name(std::move(n)), rate(r), channels(c), loop(l), quality(q) {
        const auto len = static_cast<std::size_t>(std::lround(seconds * r));
        for (int k = 0; k < c; ++k) ch[k].assign(len, 0.0f);
    }
    long size() const { return static_cast<long>(ch[0].size()); }

    void add(int c, long i, double v) {
        const long n = size();
        if (loop) {
            i = ((i % n) + n) % n;
        } else if (i < 0 || i >= n) {
            return;
        }
        ch[c][static_cast<std::size_t>(i)] += static_cast<float>(v);
    }

    // Plays voice f (a function of the time since the onset, in seconds) from t0 for len seconds,
    // with an equal-power pan (0 left, 0.5 centre, 1 right). f is called in time order, so a voice
    // may keep state.
    void place(double t0, double len, double gain, double pan, const std::function<double(double)>& f) {
        const long start = std::lround(t0 * rate);
        const long count = std::lround(len * rate);
        const double gl = std::cos(pan * kPi / 2) * std::sqrt(2.0),
                     gr = std::sin(pan * kPi / 2) * std::sqrt(2.0);
        for (long k = 0; k < count; ++k) {
            const double v = gain * f(static_cast<double>(k) / rate);
            if (channels == 1) {
                add(0, start + k, v);
            } else {
                add(0, start + k, v * gl);
                add(1, start + k, v * gr);
            }
        }
    }
};

// Raised-cosine ramps: 0 -> 1 over the attack, 1 -> 0 over the release at the end of len.
double ramp(double x) {
    if (x <= 0) return 0;
    if (x >= 1) return 1;
    return 0.5 - 0.5 * std::cos(kPi * x);
}
double envAR(double t, double len, double attack, double release) {
    return ramp(t / attack) * ramp((len - t) / release);
}

// ---- Voices -------------------------------------------------------------------------------------

// A soft bell (two-operator FM, harmonic ratio): bright at the strike, then a pure tone.
std::function<double(double)> bell(double f, double decay, double len) {
    return [=](double t) {
        const double idx = 1.6 * std::exp(-t / 0.18);
        const double env = envAR(t, len, 0.003, 0.05) * std::exp(-t / decay);
        return env * (std::sin(2 * kPi * f * t + idx * std::sin(2 * kPi * 2 * f * t)) +
                      0.18 * std::exp(-t / 0.4) * std::sin(2 * kPi * 4.0 * f * t));
    };
}

// A plucked, marimba-like tone: a few harmonics, the higher ones dying faster.
std::function<double(double)> pluck(double f, double len) {
    return [=](double t) {
        double v = 0;
        for (int k = 1; k <= 5; ++k) {
            if (k * f > 9000) break;
            v += std::pow(k, -1.4) * std::exp(-t * (2.5 + 3.0 * k)) * std::sin(2 * kPi * k * f * t);
        }
        return v * envAR(t, len, 0.002, 0.03);
    };
}

// A warm pad: two slightly detuned voices of soft harmonics, slow attack and release.
std::function<double(double)> pad(double f, double len, double attack, double release, double phase) {
    return [=](double t) {
        double v = 0;
        for (int d = -1; d <= 1; d += 2) {
            const double fd = f * (1.0 + 0.0022 * d);
            for (int k = 1; k <= 4; ++k)
                v += (1.0 / (k * k)) * std::sin(2 * kPi * k * fd * t + phase * k + d);
        }
        const double shimmer = 1.0 + 0.08 * std::sin(2 * kPi * 0.25 * t + phase);
        return 0.5 * v * shimmer * envAR(t, len, attack, release);
    };
}

// A round bass note.
std::function<double(double)> bass(double f, double len) {
    return [=](double t) {
        const double env = envAR(t, len, 0.004, 0.04) * std::exp(-t / 0.3);
        const double p = 2 * kPi * f * t;
        return env * (std::sin(p) + 0.3 * std::sin(2 * p) + 0.08 * std::sin(3 * p));
    };
}

// A soft kick: a sine falling from about 135 Hz to 45 Hz.
double kick(double t) {
    const double phase = 45.0 * t + 90.0 * 0.035 * (1.0 - std::exp(-t / 0.035));
    return std::sin(2 * kPi * phase) * std::exp(-t / 0.14) * envAR(t, 0.45, 0.002, 0.05);
}

// A closed hi-hat: high-passed noise with a very short decay. Keeps its own noise and filter state.
std::function<double(double)> hat(std::uint32_t seed) {
    auto rng = std::make_shared<Rng>(seed);
    auto last = std::make_shared<double>(0.0);
    return [=](double t) {
        const double n = rng->noise();
        const double hp = n - *last;
        *last = n;
        return 0.5 * hp * std::exp(-t / 0.022) * envAR(t, 0.12, 0.001, 0.02);
    };
}

// ---- Effects ------------------------------------------------------------------------------------

// A Schroeder reverb (four damped combs, two all-passes) mixed under the dry signal. On a loop the
// filters run over the loop twice and keep the second pass, so the tail wraps around seamlessly.
void reverb(Track& tr, double wet, double feedback) {
    const double combMs[4] = {29.7, 37.1, 41.1, 43.7};
    const double allMs[2] = {5.0, 1.7};
    const long n = tr.size();
    for (int c = 0; c < tr.channels; ++c) {
        const double spread = c == 0 ? 0.0 : 1.3; // the right channel's delays are a little longer
        std::vector<float>& x = tr.ch[c];
        std::vector<double> out(static_cast<std::size_t>(n), 0.0);
        const int passes = tr.loop ? 2 : 1;
        for (int ci = 0; ci < 4; ++ci) {
            const auto d = static_cast<std::size_t>(std::lround((combMs[ci] + spread) * tr.rate / 1000.0));
            std::vector<double> buf(d, 0.0);
            std::size_t pos = 0;
            double damp = 0;
            for (int p = 0; p < passes; ++p) {
                for (long i = 0; i < n; ++i) {
                    const double y = buf[pos];
                    damp = y * 0.6 + damp * 0.4;
                    buf[pos] = x[static_cast<std::size_t>(i)] + damp * feedback;
                    pos = (pos + 1) % d;
                    if (p == passes - 1) out[static_cast<std::size_t>(i)] += y * 0.25;
                }
            }
        }
        for (double ms : allMs) {
            const auto d = static_cast<std::size_t>(std::lround((ms + spread * 0.3) * tr.rate / 1000.0));
            std::vector<double> buf(d, 0.0);
            std::size_t pos = 0;
            std::vector<double> in = out;
            for (int p = 0; p < passes; ++p) {
                for (long i = 0; i < n; ++i) {
                    const double b = buf[pos];
                    const double v = in[static_cast<std::size_t>(i)];
                    const double y = -0.7 * v + b;
                    buf[pos] = v + 0.7 * y;
                    pos = (pos + 1) % d;
                    if (p == passes - 1) out[static_cast<std::size_t>(i)] = y;
                }
            }
        }
        for (long i = 0; i < n; ++i)
            x[static_cast<std::size_t>(i)] += static_cast<float>(wet * out[static_cast<std::size_t>(i)]);
    }
}

// Scales the track so that its loudest sample is at peak.
void normalise(Track& tr, double peak) {
    double m = 0;
    for (int c = 0; c < tr.channels; ++c)
        for (float v : tr.ch[c]) m = std::max(m, static_cast<double>(std::fabs(v)));
    if (m <= 0) return;
    const double g = peak / m;
    for (int c = 0; c < tr.channels; ++c)
        for (float& v : tr.ch[c]) v = static_cast<float>(v * g);
}

// A one-shot ends in silence: a short fade over its last milliseconds.
void fadeTail(Track& tr, double seconds) {
    const long n = tr.size();
    const long k = std::min(n, std::lround(seconds * tr.rate));
    for (int c = 0; c < tr.channels; ++c)
        for (long i = 0; i < k; ++i)
            tr.ch[c][static_cast<std::size_t>(n - 1 - i)] *=
                static_cast<float>(ramp(static_cast<double>(i) / k));
}

// ---- Vorbis encoding ----------------------------------------------------------------------------

bool writeOgg(const Track& tr, const std::string& path, int serial) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = true;
    auto put = [&](const ogg_page& og) {
        ok = ok && std::fwrite(og.header, 1, static_cast<std::size_t>(og.header_len), f) ==
                       static_cast<std::size_t>(og.header_len);
        ok = ok && std::fwrite(og.body, 1, static_cast<std::size_t>(og.body_len), f) ==
                       static_cast<std::size_t>(og.body_len);
    };

    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, tr.channels, tr.rate, static_cast<float>(tr.quality)) != 0) {
        vorbis_info_clear(&vi);
        std::fclose(f);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "TITLE", tr.name.c_str());
    vorbis_comment_add_tag(&vc, "ARTIST", "biosim demo (tools/make_demo_sounds.cpp)");
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, serial);

    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    ogg_page og;
    while (ogg_stream_flush(&os, &og) != 0) put(og);

    const long n = tr.size();
    const long chunk = 1024;
    long pos = 0;
    bool eos = false;
    while (!eos) {
        const long count = std::min(chunk, n - pos);
        if (count > 0) {
            float** buf = vorbis_analysis_buffer(&vd, static_cast<int>(count));
            for (int c = 0; c < tr.channels; ++c)
                for (long i = 0; i < count; ++i)
                    buf[c][i] = std::clamp(tr.ch[c][static_cast<std::size_t>(pos + i)], -1.0f, 1.0f);
            vorbis_analysis_wrote(&vd, static_cast<int>(count));
            pos += count;
        } else {
            vorbis_analysis_wrote(&vd, 0); // end of stream
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op) != 0) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og) != 0) {
                    put(og);
                    if (ogg_page_eos(&og) != 0) eos = true;
                }
            }
        }
        if (count <= 0 && !eos) {
            // Everything is out: flush what is left (the last page carries the end mark).
            while (ogg_stream_flush(&os, &og) != 0) {
                put(og);
                if (ogg_page_eos(&og) != 0) eos = true;
            }
            eos = true;
        }
    }

    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

// ---- The pieces ---------------------------------------------------------------------------------

constexpr int kMusicRate = 44100;
constexpr int kFxRate = 22050;
constexpr double kMusicQuality = 0.0; // about 60 kbit/s for these stereo loops
constexpr double kFxQuality = 0.3;

// Intro (map 1001): a slow pad, C major seventh then F major seventh, with bells sparkling over it.
Track intro() {
    Track tr("#L1001", kMusicRate, 2, 8.0, true, kMusicQuality);
    const int chords[2][4] = {{48, 55, 59, 64}, {41, 53, 57, 64}};
    for (int c = 0; c < 2; ++c)
        for (int k = 0; k < 4; ++k)
            tr.place(c * 4.0 - 0.6, 5.2, 0.10, 0.25 + 0.5 * (k % 2),
                     pad(midiHz(chords[c][k]), 5.2, 1.4, 1.6, k * 0.7));
    // A low C drone, tuned to a whole number of periods in the loop so that it wraps without a step.
    const double drone = std::round(midiHz(36) * 8.0) / 8.0;
    tr.place(0, 8.0, 0.06, 0.5, [=](double t) { return std::sin(2 * kPi * drone * t); });
    const int sparkle[8] = {72, 74, 76, 79, 81, 84, 86, 88};
    Rng rng(1001);
    for (int i = 0; i < 10; ++i) {
        const double at = i * 0.8 + rng.uniform() * 0.3;
        const int note = sparkle[rng.next() % 8];
        tr.place(at, 2.0, 0.05 + 0.04 * rng.uniform(), 0.15 + 0.7 * rng.uniform(),
                 bell(midiHz(note), 0.6, 2.0));
    }
    reverb(tr, 0.55, 0.8);
    normalise(tr, 0.7);
    return tr;
}

// Title (map 1000): a plucked arpeggio over A minor, F, C, G with a bell on each bar.
Track title() {
    Track tr("#L1000", kMusicRate, 2, 8.0, true, kMusicQuality);
    const int roots[4] = {57, 53, 48, 55}; // A3 F3 C3 G3
    const int triads[4][3] = {{0, 3, 7}, {0, 4, 7}, {0, 4, 7}, {0, 4, 7}};
    const int pattern[8] = {0, 1, 2, 3, 4, 3, 2, 1}; // steps through root, third, fifth, octave...
    const int tops[4] = {76, 77, 79, 74};            // E5 F5 G5 D5
    for (int bar = 0; bar < 4; ++bar) {
        const double t0 = bar * 2.0;
        const int r = roots[bar];
        for (int k = 0; k < 3; ++k)
            tr.place(t0 - 0.3, 2.6, 0.07, 0.3 + 0.2 * k,
                     pad(midiHz(r - 12 + triads[bar][k]), 2.6, 0.5, 0.7, k * 1.1));
        for (int s = 0; s < 8; ++s) {
            const int step = pattern[s];
            const int note = r + (step < 3 ? triads[bar][step] : 12 + triads[bar][step - 3]);
            tr.place(t0 + s * 0.25, 1.0, 0.16, s % 2 == 0 ? 0.35 : 0.65, pluck(midiHz(note), 1.0));
        }
        tr.place(t0, 2.0, 0.09, 0.5, bell(midiHz(tops[bar]), 0.8, 2.0));
    }
    reverb(tr, 0.4, 0.75);
    normalise(tr, 0.6);
    return tr;
}

// Level (map 0): 120 beats a minute, C, A minor, F, G twice; bass, soft drums, an arpeggio and a
// bell tune that answers itself in the second half. The second level plays it `shift` semitones
// lower.
Track level(const std::string& name = "#L0", int shift = 0) {
    Track tr(name, kMusicRate, 2, 16.0, true, kMusicQuality);
    const auto midiHz = [shift](double note) { return ::midiHz(note + shift); };
    const double beat = 0.5;
    const int roots[4] = {48, 45, 41, 43};
    const int chord[4][4] = {{60, 64, 67, 72}, {57, 60, 64, 69}, {53, 57, 60, 65}, {55, 59, 62, 67}};
    const int bassSteps[8] = {0, 0, 12, 0, 7, 0, 12, 7};
    const int arp[16] = {0, 1, 2, 3, 2, 1, 0, 1, 2, 3, 2, 1, 0, 2, 1, 3};
    // The tune: (bar, beat, note, length in beats).
    const double tune[][4] = {{0, 0, 76, 1.5},   {0, 1.5, 79, 1.5}, {0, 3, 84, 1},     {1, 0, 81, 1.5},
                              {1, 1.5, 79, 1.5}, {1, 3, 76, 1},     {2, 0, 77, 1.5},   {2, 1.5, 76, 1.5},
                              {2, 3, 72, 1},     {3, 0, 74, 1.5},   {3, 1.5, 71, 1.5}, {3, 3, 74, 1},
                              {4, 0, 72, 1},     {4, 1, 76, 1},     {4, 2, 79, 1.5},   {4, 3.5, 76, 0.5},
                              {5, 0, 81, 1.5},   {5, 1.5, 84, 1.5}, {5, 3, 81, 1},     {6, 0, 77, 1},
                              {6, 1, 81, 1},     {6, 2, 84, 1},     {6, 3, 81, 1},     {7, 0, 79, 2},
                              {7, 2, 74, 1},     {7, 3, 71, 1}};
    std::uint32_t hatSeed = 7;
    for (int bar = 0; bar < 8; ++bar) {
        const int c = bar % 4;
        const double t0 = bar * 4 * beat;
        for (int e = 0; e < 8; ++e)
            tr.place(t0 + e * beat / 2, 0.3, 0.30, 0.5, bass(midiHz(roots[c] - 12 + bassSteps[e]), 0.3));
        for (int b = 0; b < 4; ++b) {
            if (b % 2 == 0) tr.place(t0 + b * beat, 0.45, 0.42, 0.5, kick);
            tr.place(t0 + b * beat + beat / 2, 0.12, 0.06, 0.62, hat(hatSeed++));
            if (bar >= 4) tr.place(t0 + b * beat + beat / 4, 0.12, 0.025, 0.38, hat(hatSeed++));
        }
        for (int s = 0; s < 16; ++s)
            tr.place(t0 + s * beat / 4, 0.6, 0.07, s % 2 == 0 ? 0.25 : 0.75,
                     pluck(midiHz(chord[c][arp[s]] + 12), 0.6));
        for (int k = 0; k < 4; ++k)
            tr.place(t0 - 0.2, 2.4, 0.035, 0.5, pad(midiHz(chord[c][k]), 2.4, 0.4, 0.6, k * 0.9));
    }
    for (const auto& n : tune)
        tr.place((n[0] * 4 + n[1]) * beat, n[3] * beat + 0.8, 0.14, 0.45,
                 bell(midiHz(n[2]), 0.7, n[3] * beat + 0.8));
    reverb(tr, 0.3, 0.72);
    normalise(tr, 0.7);
    return tr;
}

// Loading music: a calm pulse over a C pad, four seconds, for maps large enough to show the
// loading screen.
Track loading() {
    Track tr("LOADING", kFxRate, 1, 4.0, true, kFxQuality);
    for (int k : {48, 55, 64}) tr.place(-0.5, 5.0, 0.09, 0.5, pad(midiHz(k), 5.0, 1.0, 1.0, k * 0.1));
    const int notes[8] = {72, 79, 76, 79, 72, 79, 74, 79};
    for (int s = 0; s < 8; ++s) tr.place(s * 0.5, 1.0, 0.14, 0.5, pluck(midiHz(notes[s]), 1.0));
    reverb(tr, 0.35, 0.7);
    normalise(tr, 0.6);
    return tr;
}

// The gun's shot: a short "pew" falling from about 1.8 kHz to 300 Hz.
Track zap() {
    Track tr("zap", kFxRate, 1, 0.32, false, kFxQuality);
    tr.place(0, 0.32, 1.0, 0.5, [](double t) {
        const double phase = 300.0 * t + 1500.0 * 0.05 * (1.0 - std::exp(-t / 0.05));
        const double p = 2 * kPi * phase;
        return (std::sin(p) + 0.25 * std::sin(3 * p)) * std::exp(-t / 0.09) * envAR(t, 0.32, 0.002, 0.05);
    });
    normalise(tr, 0.8);
    fadeTail(tr, 0.01);
    return tr;
}

// A walk tile's chime: one bell note with a little room around it.
Track chime(const std::string& name, int note) {
    Track tr(name, kFxRate, 1, 1.6, false, kFxQuality);
    tr.place(0, 1.4, 1.0, 0.5, bell(midiHz(note), 0.45, 1.4));
    reverb(tr, 0.3, 0.6);
    normalise(tr, 0.8);
    fadeTail(tr, 0.15);
    return tr;
}

// The gear: a bright tick and, half a second later, a lower tock.
Track tick() {
    Track tr("tick", kFxRate, 1, 0.6, false, kFxQuality);
    const double pitches[2] = {2400.0, 1500.0};
    for (int k = 0; k < 2; ++k) {
        auto rng = std::make_shared<Rng>(99u + static_cast<std::uint32_t>(k));
        const double f = pitches[k];
        tr.place(k * 0.5, 0.09, k == 0 ? 1.0 : 0.8, 0.5, [=](double t) {
            const double click = rng->noise() * std::exp(-t / 0.002);
            const double ping = std::sin(2 * kPi * f * t) * std::exp(-t / 0.012);
            return (0.5 * click + ping) * envAR(t, 0.09, 0.0005, 0.02);
        });
    }
    normalise(tr, 0.8);
    fadeTail(tr, 0.01);
    return tr;
}

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path out = argc > 1 ? argv[1] : "demo/SOUNDS";
    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    if (ec) {
        std::fprintf(stderr, "cannot create %s: %s\n", out.string().c_str(), ec.message().c_str());
        return 1;
    }
    std::vector<Track> tracks;
    tracks.push_back(intro());
    tracks.push_back(title());
    tracks.push_back(level());
    tracks.push_back(loading());
    tracks.push_back(zap());
    tracks.push_back(tick());
    const int chimes[4] = {72, 76, 79, 81}; // C5 E5 G5 A5: right, up, left, down
    for (int k = 0; k < 4; ++k) tracks.push_back(chime("chime" + std::to_string(k + 1), chimes[k]));
    tracks.push_back(level("#L1", -3)); // last, so the serial numbers of the others stay as they were

    int serial = 0x62730000; // fixed stream serial numbers keep the files identical between runs
    long total = 0;
    for (const Track& tr : tracks) {
        const std::filesystem::path p = out / (tr.name + ".ogg");
        if (!writeOgg(tr, p.string(), serial++)) {
            std::fprintf(stderr, "cannot write %s\n", p.string().c_str());
            return 1;
        }
        const auto bytes = static_cast<long>(std::filesystem::file_size(p, ec));
        total += bytes;
        std::printf("%-12s %5.2f s  %d Hz %s  %7ld bytes\n", (tr.name + ".ogg").c_str(),
                    static_cast<double>(tr.size()) / tr.rate, tr.rate, tr.channels == 2 ? "stereo" : "mono  ",
                    bytes);
    }
    std::printf("total %ld bytes in %s\n", total, out.string().c_str());
    return 0;
}
