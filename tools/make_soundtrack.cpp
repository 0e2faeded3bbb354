// Generator of every MP3 the project ships: the show's soundtrack (res/audio/melody2.mp3,
// a small synthesiser of ours) and the short tone fixtures of the playback tests.
// Synthesises PCM here, writes a WAV, and encodes it with the `lame` program.
//
//   make_soundtrack show OUT.mp3         the show's music, 106 beats per minute
//   make_soundtrack fixtures FIXTURES    tests/fixtures: audio/*.mp3 and res/audio/melody2.mp3
//
// The output is deterministic (no clock, fixed noise seeds), so the committed
// files can be remade byte for byte with the same lame version.
//
// The show's bar map; the script's cuts and the sync tracks follow it. Bars count
// from 0; one beat is 0.566 s, one bar 2.264 s (4 beats, 64 track rows).
//
//   part          bars    beats     seconds          what plays
//   intro          0-3      0-16     0.00-9.06       pads open up from silence, a bell on each bar
//   build-up       4-11    16-48     9.06-27.17      kick and eighth bass from 4, hats and arpeggio
//                                                    from 8, snare roll and riser in 10-11, no
//                                                    kick on the last beat (beat 47, 26.60 s)
//   drop          12-19    48-80    27.17-45.28      crash and boom on 12, full drums, rolling
//                                                    bass, saw lead plays the tune; crash on 16
//   breakdown     20-27    80-112   45.28-63.40      no drums: pads, the tune on a bell, arpeggio;
//                                                    bass pedal 24-25, kick, roll and riser 26-27,
//                                                    no kick on the last beat (beat 111, 62.83 s)
//   second peak   28-35   112-144   63.40-81.51      crash and boom on 28, everything, lead and
//                                                    bell an octave up; crash on 32
//   outro         36-39   144-160   81.51-90.57      kick and bass stop after 37, pads close and
//                                                    fade, the last A minor bell chord on 38
//   tail          40      160       90.57-91.57      reverb rings out; the file ends
//
// Encoded at 96 kbit/s (1.1 MB). Measured on the encoded file with ffmpeg's ebur128
// filter: -14.0 LUFS integrated, loudness range 9.1 LU, sample peak -1.7 dBFS,
// true peak -1.6 dBFS.
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

// ---------------------------------------------------------------------------
// The show's music: a small subtractive synthesiser (band-limited saws through
// state-variable filters, a two-operator bell, noise drums), a ping-pong delay,
// a comb-and-allpass reverb, kick side-chain ducking and a look-ahead limiter.

constexpr double kBeat = 60.0 / kBpm;  // 0.566 s
constexpr double kBar = 4.0 * kBeat;   // 2.264 s
constexpr int kShowBars = 40;
constexpr double kTail = 1.0;          // lets the last chord's reverb ring out
// The mix is scaled by kMasterGain into a limiter whose ceiling (-2.5 dBFS) leaves
// room for the encoder's overshoot; the gain sets the loudness (about -14 LUFS).
constexpr double kMasterGain = 0.6;
constexpr double kCeiling = 0.75;

double barTime(double bar) { return bar * kBar; }

// 0 before `from`, 1 after `to`, a smooth step between.
double ramp(double x, double from, double to) {
    double t = std::fmin(1.0, std::fmax(0.0, (x - from) / (to - from)));
    return t * t * (3.0 - 2.0 * t);
}

// A stereo bus of the mix.
struct Bus {
    std::vector<float> left, right;
    explicit Bus(size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}
    size_t size() const { return left.size(); }
    // Constant-power pan: -1 left, 0 centre (unity on both sides), 1 right.
    void add(size_t i, double v, double pan) {
        if (i >= left.size()) return;
        double angle = (pan + 1.0) * kPi / 4.0;
        left[i] += static_cast<float>(v * std::cos(angle) * std::sqrt(2.0));
        right[i] += static_cast<float>(v * std::sin(angle) * std::sqrt(2.0));
    }
    void mix(const Bus& other, double gain) {
        for (size_t i = 0; i < size(); ++i) {
            left[i] += static_cast<float>(other.left[i] * gain);
            right[i] += static_cast<float>(other.right[i] * gain);
        }
    }
};

size_t frameAt(double seconds, int rate) { return static_cast<size_t>(std::lround(seconds * rate)); }

// Trapezoidal state-variable filter; cutoff may change every sample.
struct Svf {
    double ic1 = 0.0, ic2 = 0.0;
    double low = 0.0, band = 0.0, high = 0.0;
    void run(double in, double cutoff, double q, int rate) {
        cutoff = std::fmin(cutoff, 0.45 * rate);
        double g = std::tan(kPi * cutoff / rate), k = 1.0 / q;
        double a1 = 1.0 / (1.0 + g * (g + k)), a2 = g * a1, a3 = g * a2;
        double v3 = in - ic2;
        double v1 = a1 * ic1 + a2 * v3;
        double v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0 * v1 - ic1;
        ic2 = 2.0 * v2 - ic2;
        low = v2;
        band = v1;
        high = in - k * v1 - v2;
    }
};

// A saw without the aliasing of a naive ramp: the step is smoothed over one sample.
struct Saw {
    double phase = 0.0;
    double next(double freq, int rate) {
        double dt = freq / rate;
        double v = 2.0 * phase - 1.0;
        if (phase < dt) {
            double t = phase / dt;
            v -= t + t - t * t - 1.0;
        } else if (phase > 1.0 - dt) {
            double t = (phase - 1.0) / dt;
            v -= t * t + t + t + 1.0;
        }
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        return v;
    }
};

// Attack, exponential decay to a sustain level, release after `length`.
double adsr(double t, double length, double attack, double decay, double sustain, double release) {
    double v = t < attack ? t / attack : sustain + (1.0 - sustain) * std::exp(-(t - attack) / decay);
    if (t > length) v *= std::exp(-(t - length) / release);
    return v;
}

// Samples a note of `seconds` (plus its release) starting at `at`.
template <typename Voice>
void play(Bus& bus, double at, double seconds, int rate, Voice voice) {
    size_t start = frameAt(at, rate);
    size_t count = static_cast<size_t>(seconds * rate);
    for (size_t i = 0; i < count && start + i < bus.size(); ++i) voice(start + i, static_cast<double>(i) / rate);
}

// Piecewise-linear automation over bars; two points on one bar make a jump.
struct Curve {
    std::vector<std::pair<double, double>> points;  // bar, value
    bool logarithmic = false;
    double at(double seconds) const {
        double bar = seconds / kBar;
        if (bar <= points.front().first) return points.front().second;
        for (size_t k = 1; k < points.size(); ++k) {
            const auto& [b0, v0] = points[k - 1];
            const auto& [b1, v1] = points[k];
            if (bar >= b1) continue;
            double x = (bar - b0) / (b1 - b0);
            return logarithmic ? v0 * std::pow(v1 / v0, x) : v0 + (v1 - v0) * x;
        }
        return points.back().second;
    }
};

struct Instruments {
    int rate;
    Noise noise;

    void kick(Bus& bus, double at, double gain) {
        double phase = 0.0;
        play(bus, at, 0.45, rate, [&](size_t i, double t) {
            double freq = 46.0 + 120.0 * std::exp(-t * 30.0);
            phase += freq / rate;
            double body = std::sin(2.0 * kPi * phase) * std::exp(-t * 6.5);
            double click = t < 0.004 ? noise.next() * (1.0 - t / 0.004) * 0.3 : 0.0;
            bus.add(i, std::tanh(1.6 * (body + click)) * gain, 0.0);
        });
    }
    void snare(Bus& bus, double at, double gain, double pan) {
        Svf filter;
        play(bus, at, 0.3, rate, [&](size_t i, double t) {
            filter.run(noise.next(), 3200.0, 0.8, rate);
            double body = std::sin(2.0 * kPi * 190.0 * t) * std::exp(-t * 28.0);
            double rattle = filter.band * std::exp(-t * 16.0);
            bus.add(i, (0.6 * body + 1.2 * rattle) * gain, pan);
        });
    }
    void hat(Bus& bus, double at, double gain, double pan, bool open) {
        Svf filter;
        double decay = open ? 11.0 : 55.0;
        play(bus, at, open ? 0.4 : 0.1, rate, [&](size_t i, double t) {
            filter.run(noise.next(), 7500.0, 0.7, rate);
            bus.add(i, filter.high * std::exp(-t * decay) * gain, pan);
        });
    }
    // A wash of high noise with independent sides, so it spreads wide.
    void crash(Bus& bus, double at, double gain) {
        Svf left, right;
        play(bus, at, 2.5, rate, [&](size_t i, double t) {
            left.run(noise.next(), 5000.0, 0.6, rate);
            right.run(noise.next(), 5000.0, 0.6, rate);
            double env = std::exp(-t * 2.2) * gain;
            bus.add(i, left.high * env, -1.0);
            bus.add(i, right.high * env, 1.0);
        });
    }
    // The low thud under a crash that marks the start of a peak.
    void boom(Bus& bus, double at, double gain) {
        double phase = 0.0;
        play(bus, at, 1.6, rate, [&](size_t i, double t) {
            phase += (38.0 + 40.0 * std::exp(-t * 6.0)) / rate;
            bus.add(i, std::sin(2.0 * kPi * phase) * std::exp(-t * 2.5) * gain, 0.0);
        });
    }
    // Noise through a band-pass that climbs from 300 Hz to 9 kHz while it swells.
    void riser(Bus& bus, double at, double seconds, double gain) {
        Svf left, right;
        play(bus, at, seconds, rate, [&](size_t i, double t) {
            double x = t / seconds;
            double cutoff = 300.0 * std::pow(30.0, x);
            left.run(noise.next(), cutoff, 3.0, rate);
            right.run(noise.next(), cutoff * 1.05, 3.0, rate);
            double env = x * x * gain;
            bus.add(i, left.band * env, -0.7);
            bus.add(i, right.band * env, 0.7);
        });
    }
    // Saw plus a sine an octave down, through a low-pass that snaps shut after the attack.
    void bass(Bus& bus, double at, double length, int midi, double gain, double cutoff) {
        Saw saw;
        Svf filter;
        double freq = midiToHz(midi);
        play(bus, at, length + 0.05, rate, [&](size_t i, double t) {
            filter.run(saw.next(freq, rate), cutoff * (1.0 + 3.0 * std::exp(-t * 14.0)), 1.4, rate);
            double sub = std::sin(2.0 * kPi * freq * 0.5 * t);
            double env = adsr(t, length, 0.003, 0.2, 0.8, 0.015);
            bus.add(i, (0.7 * filter.low + 0.6 * sub) * env * gain, 0.0);
        });
    }
    // Two saws a few cents apart, a filter envelope and a late vibrato.
    void lead(Bus& bus, double at, double length, int midi, double gain, double brightness) {
        Saw a, b;
        Svf filter;
        double freq = midiToHz(midi);
        play(bus, at, length + 0.4, rate, [&](size_t i, double t) {
            double vibrato = 1.0 + 0.004 * std::sin(2.0 * kPi * 5.5 * t) * ramp(t, 0.15, 0.4);
            double f = freq * vibrato;
            double v = a.next(f * 1.004, rate) + b.next(f * 0.996, rate);
            filter.run(v, brightness * (1.0 + 2.5 * std::exp(-t * 9.0)), 1.1, rate);
            bus.add(i, filter.low * adsr(t, length, 0.006, 0.25, 0.7, 0.1) * gain, 0.0);
        });
    }
    // Two-operator FM: a modulator at twice the pitch whose depth dies away.
    void bell(Bus& bus, double at, int midi, double gain, double pan) {
        double freq = midiToHz(midi);
        play(bus, at, 2.0, rate, [&](size_t i, double t) {
            double index = 2.2 * std::exp(-t * 5.0);
            double v = std::sin(2.0 * kPi * freq * t + index * std::sin(2.0 * kPi * 2.0 * freq * t));
            bus.add(i, v * std::exp(-t * 2.4) * std::fmin(1.0, t / 0.002) * gain, pan);
        });
    }
    void pluck(Bus& bus, double at, int midi, double gain, double pan, double cutoff) {
        Saw saw;
        Svf filter;
        double freq = midiToHz(midi);
        play(bus, at, 0.35, rate, [&](size_t i, double t) {
            filter.run(saw.next(freq, rate), cutoff * (0.3 + 2.0 * std::exp(-t * 25.0)), 1.5, rate);
            bus.add(i, filter.low * std::exp(-t * 11.0) * std::fmin(1.0, t / 0.002) * gain, pan);
        });
    }
    // Three detuned saws spread across the stereo field; cutoff and level follow the arrangement.
    void pad(Bus& bus, double at, double length, int midi, double gain, const Curve& cutoffAt, const Curve& levelAt) {
        const double detune[3] = {0.993, 1.0, 1.007};
        const double pan[3] = {-0.7, 0.0, 0.7};
        Saw saws[3];
        for (int k = 0; k < 3; ++k) saws[k].phase = 0.31 * k;
        Svf filter[3];
        double freq = midiToHz(midi);
        play(bus, at, length + 1.2, rate, [&](size_t i, double t) {
            double env = adsr(t, length, 0.5, 1.0, 1.0, 0.35) * gain * levelAt.at(at + t);
            double cutoff = cutoffAt.at(at + t);
            for (int k = 0; k < 3; ++k) {
                filter[k].run(saws[k].next(freq * detune[k], rate), cutoff, 0.9, rate);
                bus.add(i, filter[k].low * env, pan[k]);
            }
        });
    }
};

// Echoes bouncing between the sides, each darker than the last.
void pingPong(const Bus& in, Bus& out, int rate, double delay, double feedback) {
    size_t d = static_cast<size_t>(delay * rate);
    std::vector<float> left(d, 0.0f), right(d, 0.0f);
    Svf toneL, toneR;
    for (size_t i = 0, at = 0; i < in.size(); ++i, at = (at + 1) % d) {
        double l = left[at], r = right[at];
        toneL.run(0.5 * (in.left[i] + in.right[i]) + r * feedback, 3500.0, 0.7, rate);
        toneR.run(l * feedback, 3500.0, 0.7, rate);
        left[at] = static_cast<float>(toneL.low);
        right[at] = static_cast<float>(toneR.low);
        out.left[i] += static_cast<float>(l);
        out.right[i] += static_cast<float>(r);
    }
}

// A room: parallel damped feedback combs, then allpasses; lengths differ per side for width.
void reverb(const Bus& in, Bus& out, int rate) {
    struct Comb { std::vector<float> line; size_t at = 0; double store = 0.0; };
    struct Allpass { std::vector<float> line; size_t at = 0; };
    auto side = [&](const std::vector<float>& input, std::vector<float>& output, int spread) {
        const int combLengths[4] = {1087, 1201, 1319, 1433};
        const int allpassLengths[2] = {389, 127};
        Comb combs[4];
        Allpass allpasses[2];
        for (int k = 0; k < 4; ++k) combs[k].line.assign(static_cast<size_t>((combLengths[k] + spread) * rate / 44100), 0.0f);
        for (int k = 0; k < 2; ++k) allpasses[k].line.assign(static_cast<size_t>((allpassLengths[k] + spread) * rate / 44100), 0.0f);
        for (size_t i = 0; i < input.size(); ++i) {
            double sum = 0.0;
            for (Comb& c : combs) {
                double y = c.line[c.at];
                c.store = y * 0.65 + c.store * 0.35;  // high frequencies die first
                c.line[c.at] = static_cast<float>(input[i] + c.store * 0.84);
                c.at = (c.at + 1) % c.line.size();
                sum += y;
            }
            for (Allpass& a : allpasses) {
                double y = a.line[a.at];
                a.line[a.at] = static_cast<float>(sum + y * 0.5);
                a.at = (a.at + 1) % a.line.size();
                sum = y - sum * 0.5;
            }
            output[i] += static_cast<float>(sum * 0.25);
        }
    };
    side(in.left, out.left, 0);
    side(in.right, out.right, 29);
}

// Peaks above `ceiling` are pulled down by a gain that starts falling a few
// milliseconds ahead of them and recovers slowly, so nothing clips and nothing clicks.
void limit(Pcm& pcm, const Bus& mix, double ceiling) {
    const size_t n = mix.size(), look = static_cast<size_t>(0.004 * pcm.rate);
    std::vector<double> need(n), ahead(n);
    for (size_t i = 0; i < n; ++i) {
        double peak = std::fmax(std::fabs(mix.left[i]), std::fabs(mix.right[i]));
        need[i] = peak > ceiling ? ceiling / peak : 1.0;
    }
    // Lowest need in the next `look` samples (a monotonic queue keeps this linear).
    std::vector<size_t> queue(n);
    size_t head = 0, tail = 0;
    for (size_t i = n; i-- > 0;) {
        while (tail > head && need[queue[tail - 1]] >= need[i]) --tail;
        queue[tail++] = i;
        while (queue[head] >= i + look) ++head;
        ahead[i] = need[queue[head]];
    }
    // Averaged over the same window the gain still meets every need, without a step.
    double sum = static_cast<double>(look), gain = 1.0;
    const double recover = 1.0 - std::exp(-1.0 / (0.08 * pcm.rate));
    pcm.resize(n);
    for (size_t i = 0; i < n; ++i) {
        sum += ahead[i] - (i >= look ? ahead[i - look] : 1.0);
        gain = std::fmin(sum / look, gain + (1.0 - gain) * recover);
        pcm.samples[2 * i] = static_cast<float>(mix.left[i] * gain);
        pcm.samples[2 * i + 1] = static_cast<float>(mix.right[i] * gain);
    }
}

enum Part { Intro, BuildUp, Drop, Breakdown, SecondPeak, Outro };

Part partOf(int bar) {
    return bar < 4 ? Intro : bar < 12 ? BuildUp : bar < 20 ? Drop : bar < 28 ? Breakdown : bar < 36 ? SecondPeak : Outro;
}

// One eight-bar phrase in A minor: Am F C G Am F Dm E.
const int kBassRoots[8] = {45, 41, 48, 43, 45, 41, 50, 40};
const int kChords[8][3] = {{57, 60, 64}, {57, 60, 65}, {55, 60, 64}, {55, 59, 62},
                           {57, 60, 64}, {57, 60, 65}, {57, 62, 65}, {56, 59, 64}};

// The lead's tune over that phrase: bar, sixteenth, length in sixteenths, pitch.
struct TuneNote { int bar, step, length, midi; };
const TuneNote kTune[] = {
    {0, 0, 3, 76}, {0, 3, 3, 72}, {0, 6, 2, 69}, {0, 8, 2, 72}, {0, 10, 2, 76}, {0, 12, 4, 81},
    {1, 0, 3, 79}, {1, 3, 3, 77}, {1, 6, 2, 72}, {1, 8, 4, 69}, {1, 12, 2, 72}, {1, 14, 2, 77},
    {2, 0, 3, 76}, {2, 3, 3, 79}, {2, 6, 2, 76}, {2, 8, 4, 72}, {2, 12, 2, 74}, {2, 14, 2, 76},
    {3, 0, 6, 74}, {3, 6, 2, 71}, {3, 8, 4, 67}, {3, 12, 2, 71}, {3, 14, 2, 74},
    {4, 0, 3, 76}, {4, 3, 3, 72}, {4, 6, 2, 69}, {4, 8, 2, 72}, {4, 10, 2, 76}, {4, 12, 2, 81}, {4, 14, 2, 83},
    {5, 0, 4, 84}, {5, 4, 2, 81}, {5, 6, 2, 77}, {5, 8, 4, 81}, {5, 12, 4, 79},
    {6, 0, 3, 77}, {6, 3, 3, 76}, {6, 6, 2, 74}, {6, 8, 4, 69}, {6, 12, 2, 74}, {6, 14, 2, 77},
    {7, 0, 6, 76}, {7, 6, 2, 80}, {7, 8, 4, 83}, {7, 12, 4, 76},
};

// 40 bars and a short tail; the bar map is at the top of this file.
Pcm showMusic() {
    const int rate = 44100;
    const size_t frames = frameAt(barTime(kShowBars) + kTail, rate);
    Bus drums(frames), snares(frames), bass(frames), pads(frames), lead(frames), bells(frames), arp(frames),
        fx(frames);
    Instruments synth{rate, Noise{}};
    std::vector<double> kicks;
    const double sixteenth = kBeat / 4.0;

    const Curve padCutoff{{{0, 350}, {4, 1400}, {12, 4500}, {12, 3000}, {20, 3000}, {20, 1800}, {26, 2500},
                           {28, 5000}, {28, 4200}, {36, 4200}, {40, 300}}, true};
    const Curve padLevel{{{0, 0.0}, {2, 1.0}, {4, 0.9}, {12, 0.7}, {20, 0.7}, {20, 1.0}, {28, 1.0}, {28, 0.7},
                          {36, 0.7}, {36, 1.0}, {39.5, 0.0}}};
    auto tune = [&](int firstBar, int bars, auto playNote) {
        for (const TuneNote& n : kTune)
            if (n.bar < bars) playNote(barTime(firstBar + n.bar) + n.step * sixteenth, n.length * sixteenth, n.midi);
    };

    for (int bar = 0; bar < kShowBars; ++bar) {
        const Part part = partOf(bar);
        const bool peak = part == Drop || part == SecondPeak;
        const bool rising = bar == 10 || bar == 11 || bar == 26 || bar == 27;  // rolls and risers into a peak
        const double t0 = barTime(bar);
        const int c = bar >= 38 ? 0 : bar % 8;  // the outro comes home to A minor

        if (bar < 38) {
            for (int k = 0; k < 3; ++k)
                synth.pad(pads, t0, bar == 37 ? 2 * kBar : kBar, kChords[c][k], 0.05, padCutoff, padLevel);
        }
        if (part == Intro)
            synth.bell(bells, t0, kChords[c][(bar % 3)] + 12, 0.10 + 0.03 * bar, bar % 2 ? 0.4 : -0.4);

        for (int beat = 0; beat < 4; ++beat) {
            const double at = t0 + beat * kBeat;
            const bool gap = (bar == 11 || bar == 27) && beat == 3;  // a breath before the peak
            const bool kick = !gap && (part == BuildUp || peak || (bar >= 26 && bar < 28) || bar == 36 || bar == 37);
            if (kick) {
                synth.kick(drums, at, part == BuildUp ? 0.55 + 0.3 * (bar - 4) / 7.0 : bar >= 36 ? 0.7 : 0.9);
                kicks.push_back(at);
            }
            if (peak && (beat == 1 || beat == 3)) synth.snare(snares, at, 0.5, 0.0);
            if (peak && (bar == 19 || bar == 35) && beat == 3)
                for (int s = 1; s < 4; ++s) synth.snare(snares, at + s * sixteenth, 0.2 + 0.08 * s, s % 2 ? 0.3 : -0.3);
            for (int s = 0; s < 4; ++s) {
                const double st = at + s * sixteenth;
                if (peak && s == 2) synth.hat(drums, st, 0.10, 0.25, true);
                if (peak && (s == 1 || s == 3)) synth.hat(drums, st, s == 1 ? 0.07 : 0.05, -0.25, false);
                if (((bar >= 8 && part == BuildUp) || bar == 36 || bar == 37) && s == 2)
                    synth.hat(drums, st, 0.08, 0.25, false);
            }
            if (rising && !gap) {
                const int hits = bar % 2 == 0 ? 2 : 4;
                for (int h = 0; h < hits; ++h) {
                    double x = ((bar % 2) * 4 + beat + h / static_cast<double>(hits)) / 8.0;
                    synth.snare(snares, at + h * kBeat / hits, 0.12 + 0.3 * x, h % 2 ? 0.2 : -0.2);
                }
            }

            // Bass: eighths while building, rolling sixteenths between the kicks in the peaks.
            const int root = kBassRoots[c];
            if (!gap && (part == BuildUp || (bar >= 26 && bar < 28))) {
                double cutoff = part == BuildUp ? 250.0 + 650.0 * (bar - 4) / 7.0 : 450.0 + 400.0 * (bar - 26);
                for (int e = 0; e < 2; ++e) synth.bass(bass, at + e * kBeat / 2, kBeat * 0.35, root, 0.28, cutoff);
            }
            if (peak)
                for (int s = 1; s < 4; ++s)
                    synth.bass(bass, at + s * sixteenth, sixteenth * 0.8, root + (s == 2 ? 12 : 0), 0.4,
                              part == Drop ? 700.0 : 900.0);
            if ((bar == 24 || bar == 25 || bar == 36 || bar == 37) && beat == 0)
                synth.bass(bass, at, kBar * 0.95, root, 0.25, 300.0);

            // Arpeggio up and down two octaves of the chord.
            const bool arpeggio = (bar >= 8 && part == BuildUp) || part == Breakdown || part == SecondPeak || bar == 36 ||
                                  bar == 37;
            if (arpeggio && !gap) {
                const int order[8] = {0, 1, 2, 3, 4, 5, 4, 3};
                double cutoff = part == BuildUp ? 600.0 + 2000.0 * (bar - 8) / 3.0 : part == SecondPeak ? 3000.0 : 1800.0;
                double gain = part == Breakdown ? 0.07 : part == Outro ? 0.06 * (38 - bar) : 0.09;
                for (int s = 0; s < 4; ++s) {
                    int step = beat * 4 + s, tone = order[step % 8];
                    synth.pluck(arp, at + s * sixteenth, kChords[c][tone % 3] + 12 * (tone / 3) + 12, gain,
                               step % 2 ? 0.5 : -0.5, cutoff);
                }
            }
        }
        if (bar == 12 || bar == 28) synth.boom(fx, t0, 0.6);
        if (bar == 12 || bar == 28) synth.crash(fx, t0, 0.35);
        if (bar == 16 || bar == 20 || bar == 32 || bar == 36) synth.crash(fx, t0, 0.22);
        if (bar == 10 || bar == 26) synth.riser(fx, t0, 2 * kBar, 0.35);
    }

    // The tune: saw lead in the drop, bell alone in the breakdown, both (bell an octave up) in the second peak.
    tune(12, 8, [&](double at, double len, int midi) { synth.lead(lead, at, len, midi, 0.20, at < barTime(16) ? 1800 : 2600); });
    tune(20, 8, [&](double at, double, int midi) { synth.bell(bells, at, midi, 0.2, midi % 2 ? 0.3 : -0.3); });
    tune(28, 8, [&](double at, double len, int midi) {
        synth.lead(lead, at, len, midi, 0.20, 3000);
        synth.bell(bells, at, midi + 12, 0.06, midi % 2 ? 0.4 : -0.4);
    });
    tune(36, 2, [&](double at, double, int midi) { synth.bell(bells, at, midi, 0.12, midi % 2 ? 0.3 : -0.3); });
    for (int k = 0; k < 3; ++k) synth.bell(bells, barTime(38) + k * kBeat, kChords[0][k] + 12, 0.12 - 0.02 * k, k - 1.0);

    // Kicks push the sustained parts down for a moment (side-chain ducking).
    std::vector<float> duck(frames, 1.0f);
    for (double at : kicks)
        for (size_t i = frameAt(at, rate), end = std::min(frames, i + frameAt(0.35, rate)); i < end; ++i) {
            double t = static_cast<double>(i) / rate - at;
            duck[i] = std::fmin(duck[i], static_cast<float>(1.0 - 0.6 * std::exp(-t / 0.09) * std::fmin(1.0, t / 0.004)));
        }
    Bus ducked(frames);
    ducked.mix(bass, 1.0);
    ducked.mix(pads, 1.0);
    ducked.mix(arp, 1.0);
    for (size_t i = 0; i < frames; ++i) {
        ducked.left[i] *= duck[i];
        ducked.right[i] *= duck[i];
    }

    Bus roomSend(frames), echoSend(frames), mix(frames);
    roomSend.mix(pads, 0.3);
    roomSend.mix(lead, 0.2);
    roomSend.mix(bells, 0.5);
    roomSend.mix(snares, 0.15);
    roomSend.mix(arp, 0.3);
    roomSend.mix(fx, 0.2);
    echoSend.mix(lead, 0.3);
    echoSend.mix(bells, 0.35);
    echoSend.mix(arp, 0.15);
    Bus room(frames);
    reverb(roomSend, room, rate);
    mix.mix(room, 0.35);
    pingPong(echoSend, mix, rate, 0.75 * kBeat, 0.35);
    for (const Bus* b : {&drums, &snares, &ducked, &lead, &bells, &fx}) mix.mix(*b, 1.0);

    Pcm pcm;
    pcm.rate = rate;
    for (size_t i = 0; i < frames; ++i) {
        mix.left[i] *= static_cast<float>(kMasterGain);
        mix.right[i] *= static_cast<float>(kMasterGain);
    }
    limit(pcm, mix, kCeiling);
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

// Clicks on every beat at `bpm` beats per minute: a soundtrack for the player's own tests.
Pcm beatClicks(int rate, double seconds, double bpm = kBpm) {
    Pcm pcm = tone(rate, 1, seconds);
    for (float& s : pcm.samples) s *= 0.2f;
    for (double at = 0.0; at < seconds; at += 60.0 / bpm) note(pcm, at, 0.03, 81, 0.5f, 0.0f, 3, 0.002, 0.03);
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
    // A show of another tempo (tests of res/show.txt).
    if (!encode(beatClicks(8000, 12.0, 128.0), "-b 16 -m m --resample 8", audio + "clicks_128bpm_12s.mp3")) return false;
    return encode(beatClicks(22050, 3.0), "-b 64 -m m --resample 22.05", dir + "/res/audio/melody2.mp3");
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode == "show") return encode(showMusic(), "-b 96 -m j --resample 44.1", argv[2]) ? 0 : 1;
    if (mode == "fixtures") return makeFixtures(argv[2]) ? 0 : 1;
    std::fprintf(stderr, "usage: %s show OUT.mp3 | fixtures FIXTURES_DIR\n", argv[0]);
    return 2;
}
