// Generator of every MP3 the project ships: the placeholder show soundtrack
// (res/audio/melody2.mp3) and the small tone fixtures of the playback tests.
// Synthesises PCM here, writes a WAV, and encodes it with the `lame` program.
//
//   make_soundtrack show OUT.mp3         the show's music, 106 beats per minute
//   make_soundtrack fixtures FIXTURES    tests/fixtures: audio/*.mp3 and res/audio/melody2.mp3
//
// The output is deterministic (no clock, no unseeded randomness), so the
// committed files can be remade with the same lame version.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kBpm = 106.0;

// Interleaved float samples, channels 1 or 2.
struct Pcm {
    int rate = 44100;
    int channels = 2;
    std::vector<float> samples;

    size_t frames() const { return samples.size() / static_cast<size_t>(channels); }
    void resize(size_t frameCount) { samples.assign(frameCount * static_cast<size_t>(channels), 0.0f); }
    void add(size_t frame, float left, float right) {
        if (frame >= frames()) return;
        if (channels == 1) {
            samples[frame] += 0.5f * (left + right);
        } else {
            samples[2 * frame] += left;
            samples[2 * frame + 1] += right;
        }
    }
};

bool writeWav(const std::string& path, const Pcm& pcm) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    auto u32 = [f](uint32_t v) { for (int i = 0; i < 4; ++i) std::fputc(static_cast<int>((v >> (8 * i)) & 0xFF), f); };
    auto u16 = [f](uint16_t v) { std::fputc(v & 0xFF, f); std::fputc(v >> 8, f); };
    uint32_t dataBytes = static_cast<uint32_t>(pcm.samples.size() * 2);
    std::fputs("RIFF", f);
    u32(36 + dataBytes);
    std::fputs("WAVEfmt ", f);
    u32(16);
    u16(1);
    u16(static_cast<uint16_t>(pcm.channels));
    u32(static_cast<uint32_t>(pcm.rate));
    u32(static_cast<uint32_t>(pcm.rate * pcm.channels * 2));
    u16(static_cast<uint16_t>(pcm.channels * 2));
    u16(16);
    std::fputs("data", f);
    u32(dataBytes);
    for (float s : pcm.samples) {
        long v = std::lround(std::fmax(-1.0f, std::fmin(1.0f, s)) * 32767.0f);
        u16(static_cast<uint16_t>(static_cast<int16_t>(v)));
    }
    return std::fclose(f) == 0;
}

// Scales the whole signal so that its peak sits at `peak`.
void normalise(Pcm& pcm, float peak) {
    float top = 0.0f;
    for (float s : pcm.samples) top = std::fmax(top, std::fabs(s));
    if (top <= 0.0f) return;
    for (float& s : pcm.samples) s *= peak / top;
}

bool encode(const Pcm& pcm, const std::string& lameOptions, const std::string& out) {
    fs::path wav = fs::temp_directory_path() / ("make_soundtrack_" + std::to_string(::getpid()) + ".wav");
    if (!writeWav(wav.string(), pcm)) {
        std::fprintf(stderr, "cannot write %s\n", wav.c_str());
        return false;
    }
    fs::path target(out);
    if (target.has_parent_path()) fs::create_directories(target.parent_path());
    std::string cmd = "lame --quiet " + lameOptions + " '" + wav.string() + "' '" + out + "'";
    int rc = std::system(cmd.c_str());
    fs::remove(wav);
    if (rc != 0) {
        std::fprintf(stderr, "lame failed (%d) for %s; is the Debian package lame installed?\n", rc, out.c_str());
        return false;
    }
    std::printf("%s: %.3f s at %d Hz, %d channel(s), lame %s\n", out.c_str(),
                static_cast<double>(pcm.frames()) / pcm.rate, pcm.rate, pcm.channels, lameOptions.c_str());
    return true;
}

// Deterministic noise for hats: a 32-bit linear congruential generator.
struct Noise {
    uint32_t state = 12345u;
    float next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
    }
};

double midiToHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

// A band-limited-enough saw: the first harmonics only, so lame has little to throw away.
double softSaw(double phase, int harmonics) {
    double v = 0.0;
    for (int h = 1; h <= harmonics; ++h) v += std::sin(2.0 * kPi * phase * h) / h;
    return v * 0.6;
}

void kick(Pcm& pcm, double at, float gain) {
    size_t start = static_cast<size_t>(at * pcm.rate);
    double phase = 0.0;
    for (int i = 0; i < pcm.rate * 0.35; ++i) {
        double t = static_cast<double>(i) / pcm.rate;
        double freq = 48.0 + 110.0 * std::exp(-t * 28.0);
        phase += freq / pcm.rate;
        float v = static_cast<float>(std::sin(2.0 * kPi * phase) * std::exp(-t * 9.0)) * gain;
        pcm.add(start + static_cast<size_t>(i), v, v);
    }
}

void hat(Pcm& pcm, Noise& noise, double at, float gain, float pan) {
    size_t start = static_cast<size_t>(at * pcm.rate);
    float previous = 0.0f;
    for (int i = 0; i < pcm.rate * 0.06; ++i) {
        double t = static_cast<double>(i) / pcm.rate;
        float n = noise.next();
        float high = n - previous;  // crude high-pass: hats live above the mix
        previous = n;
        float v = high * static_cast<float>(std::exp(-t * 70.0)) * gain;
        pcm.add(start + static_cast<size_t>(i), v * (1.0f - pan), v * (1.0f + pan));
    }
}

// One note with an attack/release envelope; `harmonics` 1 is a pure sine.
void note(Pcm& pcm, double at, double length, int midi, float gain, float pan, int harmonics,
          double attack, double release) {
    size_t start = static_cast<size_t>(at * pcm.rate);
    double freq = midiToHz(midi);
    size_t count = static_cast<size_t>((length + release) * pcm.rate);
    for (size_t i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / pcm.rate;
        double env = t < attack ? t / attack : 1.0;
        if (t > length) env *= std::exp(-(t - length) / (release / 4.0));
        float v = static_cast<float>(softSaw(freq * t, harmonics) * env) * gain;
        pcm.add(start + i, v * (1.0f - pan), v * (1.0f + pan));
    }
}

// 28 bars in A minor (Am F C G), built up and taken down again in sections of four bars.
Pcm showMusic() {
    Pcm pcm;
    const double beat = 60.0 / kBpm;
    const int bars = 28;
    pcm.resize(static_cast<size_t>((bars * 4 * beat + 1.0) * pcm.rate));
    const int roots[4] = {57, 53, 48, 55};  // A3 F3 C3 G3
    const int chords[4][3] = {{69, 72, 76}, {65, 69, 72}, {64, 67, 72}, {67, 71, 74}};
    Noise noise;
    for (int bar = 0; bar < bars; ++bar) {
        const int chord = (bar / 2) % 4;
        const double barStart = bar * 4 * beat;
        const bool drums = bar >= 4 && bar < 24;
        const bool hats = bar >= 8 && bar < 24;
        const bool arp = bar >= 12 && bar < 24;
        const float padGain = bar < 24 ? 0.08f : 0.08f * (1.0f - (bar - 24) / 4.0f);
        if (bar % 2 == 0) {
            for (int k = 0; k < 3; ++k)
                note(pcm, barStart, 8 * beat - 0.2, chords[chord][k], padGain, -0.4f + 0.4f * k, 4, 0.6, 0.8);
        }
        for (int b = 0; b < 4; ++b) {
            const double at = barStart + b * beat;
            if (drums) kick(pcm, at, 0.55f);
            if (hats) hat(pcm, noise, at + beat / 2, 0.10f, 0.3f);
            if (bar >= 4 && bar < 26) {
                note(pcm, at, beat * 0.4, roots[chord] - 12, 0.18f, 0.0f, 6, 0.005, 0.05);
                note(pcm, at + beat / 2, beat * 0.3, roots[chord], 0.12f, 0.0f, 6, 0.005, 0.05);
            }
            if (arp) {
                for (int s = 0; s < 4; ++s) {
                    int tone = chords[chord][(b * 4 + s) % 3] + ((s == 3) ? 12 : 0);
                    float pan = (s % 2 == 0) ? -0.5f : 0.5f;
                    note(pcm, at + s * beat / 4, beat / 8, tone, 0.06f, pan, 2, 0.002, 0.12);
                }
            }
        }
    }
    normalise(pcm, 0.89f);
    return pcm;
}

// A 440 Hz tone of exactly `seconds`, faded in and out over 5 ms.
Pcm tone(int rate, int channels, double seconds) {
    Pcm pcm;
    pcm.rate = rate;
    pcm.channels = channels;
    pcm.resize(static_cast<size_t>(std::lround(seconds * rate)));
    const size_t n = pcm.frames();
    const double fade = 0.005 * rate;
    for (size_t i = 0; i < n; ++i) {
        double env = std::fmin(1.0, std::fmin(i / fade, (n - 1 - i) / fade));
        float v = static_cast<float>(0.5 * env * std::sin(2.0 * kPi * 440.0 * i / rate));
        pcm.add(i, v, v);
    }
    return pcm;
}

// Clicks on every beat at 106 beats per minute: a soundtrack for the player's own tests.
Pcm beatClicks(int rate, double seconds) {
    Pcm pcm = tone(rate, 1, seconds);
    for (float& s : pcm.samples) s *= 0.2f;
    for (double at = 0.0; at < seconds; at += 60.0 / kBpm) note(pcm, at, 0.03, 81, 0.5f, 0.0f, 3, 0.002, 0.03);
    normalise(pcm, 0.8f);
    return pcm;
}

bool makeFixtures(const std::string& dir) {
    const std::string audio = dir + "/audio/";
    struct Fixture { const char* name; int rate; int channels; const char* options; };
    // Each holds a tone of exactly one second; the playback tests know the length.
    const Fixture fixtures[] = {
        {"cbr_44100.mp3", 44100, 2, "-b 64 --resample 44.1"},
        {"vbr_44100.mp3", 44100, 2, "-V 6 --resample 44.1"},
        {"cbr_48000.mp3", 48000, 2, "-b 64 --resample 48"},
        {"vbr_48000_mono.mp3", 48000, 1, "-V 6 -m m --resample 48"},
        {"cbr_22050_id3.mp3", 22050, 1, "-b 64 -m m --resample 22.05 --add-id3v2 --tt Tone --ta Fixture"},
        {"vbr_22050_id3v1.mp3", 22050, 2, "-V 7 --resample 22.05 --id3v1-only --tt Tone"},
    };
    for (const Fixture& f : fixtures)
        if (!encode(tone(f.rate, f.channels, 1.0), f.options, audio + f.name)) return false;
    // Long enough that a test can press Escape while it plays.
    if (!encode(beatClicks(8000, 20.0), "-b 24 -m m --resample 8", audio + "clicks_20s.mp3")) return false;
    return encode(beatClicks(22050, 3.0), "-b 64 -m m --resample 22.05", dir + "/res/audio/melody2.mp3");
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode == "show") return encode(showMusic(), "-b 64 -m j --resample 44.1", argv[2]) ? 0 : 1;
    if (mode == "fixtures") return makeFixtures(argv[2]) ? 0 : 1;
    std::fprintf(stderr, "usage: %s show OUT.mp3 | fixtures FIXTURES_DIR\n", argv[0]);
    return 2;
}
