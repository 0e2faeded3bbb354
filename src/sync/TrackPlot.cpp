// Lanes are drawn by evaluating each track at every pixel column and joining
// neighbouring columns with vertical runs, so steps show as sheer edges.
// Beat lines are left out when they would crowd closer than a few pixels.
#include "sync/TrackPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

const Rgb kPlotKeyColours[4] = {{235, 235, 235}, {90, 200, 255}, {120, 230, 120}, {255, 170, 60}};
const Rgb kPlotWaveColour{110, 150, 215};

namespace {
constexpr int kLeft = 260;          // names and value ranges live left of the plot
constexpr int kHeader = 40;         // legend and bar numbers
constexpr int kLaneHeight = 120;
constexpr int kLaneGap = 8;
constexpr int kWaveHeight = 140;
constexpr int kFooter = 28;         // seconds
constexpr int kBeatsPerBar = 4;

const Rgb kBackground{16, 16, 20};
const Rgb kLaneBackground{28, 28, 34};
const Rgb kBeatLine{46, 46, 56};
const Rgb kBarLine{96, 96, 118};
const Rgb kText{210, 210, 220};
const Rgb kDimText{140, 140, 155};
const Rgb kCurves[] = {{255, 210, 80}, {250, 110, 150}, {120, 220, 200}, {190, 150, 255}, {255, 140, 70}, {160, 220, 90}};

std::string number(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%.4g", v);
    return buffer;
}

// A marker centred on (x, y), its shape telling the interpolation that leaves the key.
void drawMarker(RgbImage& image, int x, int y, int32_t type) {
    const int r = 4;
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
            bool inside = false;
            switch (type) {
            case Step: inside = true; break;                                      // square
            case Linear: inside = std::abs(dx) + std::abs(dy) <= r; break;        // diamond
            case Smooth: inside = dx * dx + dy * dy <= r * r + 1; break;          // disc
            case Ramp: inside = std::abs(dx) * 2 <= dy + r; break;                // triangle, point up
            default: inside = std::abs(dx) == std::abs(dy); break;               // a cross: not a known type
            }
            if (inside) image.set(x + dx, y + dy, type >= 0 && type <= 3 ? kPlotKeyColours[type] : Rgb{255, 60, 60});
        }
}
} // namespace

PlotPicture plotTracks(const PlotRequest& request) {
    const double perSecond = static_cast<float>(rowsPerSecond(request.bpm));
    const double audioSeconds = static_cast<double>(request.audio.size() / 2) / playback::kOutputRate;
    double lastKey = 0.0;
    for (const PlotLane& lane : request.tracks)
        if (!lane.keys.empty()) lastKey = std::max(lastKey, lane.keys.back().row / perSecond);
    const double barSeconds = showTiming().rowsPerBeat * kBeatsPerBar / perSecond;

    PlotPicture picture;
    // No track holds a row past the last int32 row: a span beyond it shows nothing more.
    const double lastRowSeconds = 2147483647.0 / perSecond;
    picture.fromSeconds = std::min(std::max(0.0, request.fromSeconds), lastRowSeconds);
    picture.toSeconds = request.toSeconds >= 0.0 ? request.toSeconds
                        : audioSeconds > 0.0    ? audioSeconds
                                                : lastKey + barSeconds;
    picture.toSeconds = std::min(picture.toSeconds, lastRowSeconds + barSeconds);
    if (picture.toSeconds <= picture.fromSeconds) picture.toSeconds = picture.fromSeconds + barSeconds;
    const bool hasWave = !request.audio.empty();
    const int lanes = static_cast<int>(std::min(request.tracks.size(), kMaxPlotLanes));
    const int width = std::max(request.width, kLeft + kPlotRightMargin + 100);
    const int height = kHeader + lanes * (kLaneHeight + kLaneGap) + (hasWave ? kWaveHeight + kLaneGap : 0) + kFooter;
    picture.create(width, height, kBackground);
    picture.plotLeft = kLeft;
    const int plotWidth = width - kLeft - kPlotRightMargin;
    const double span = picture.toSeconds - picture.fromSeconds;
    auto xOfSeconds = [&](double s) { return kLeft + static_cast<int>(std::lround((s - picture.fromSeconds) / span * (plotWidth - 1))); };
    auto secondsOfX = [&](int x) { return picture.fromSeconds + (x - kLeft) * span / (plotWidth - 1); };

    // Beats and bars over the whole height of the lanes; beats only when they stay apart.
    const int top = kHeader;
    const int bottom = height - kFooter;
    const double beatSeconds = showTiming().rowsPerBeat / perSecond;
    const bool showBeats = beatSeconds / span * plotWidth >= 4.0;
    const double barPixels = barSeconds / span * plotWidth;
    const long barLabelEvery = std::max(1L, static_cast<long>(std::ceil(36.0 / std::max(barPixels, 1e-9))));
    // Every line drawn is at least two pixels from the next, so the loops below
    // take as many rounds as the picture has columns, whatever the span.
    const long beatStride = showBeats ? 1 : kBeatsPerBar * std::max(1L, static_cast<long>(std::ceil(2.0 / std::max(barPixels, 1e-9))));
    auto firstMultiple = [](double at, long stride) { return static_cast<long>(std::ceil(at / stride)) * stride; };
    auto drawGrid = [&](int y0, int y1) {
        for (long beat = firstMultiple(picture.fromSeconds / beatSeconds, beatStride); beat * beatSeconds <= picture.toSeconds;
             beat += beatStride) {
            const bool bar = beat % kBeatsPerBar == 0;
            const int x = xOfSeconds(beat * beatSeconds);
            for (int y = y0; y < y1; ++y) {
                picture.set(x, y, bar ? kBarLine : kBeatLine);
                if (bar) picture.set(x + 1, y, kBarLine);
            }
        }
    };

    // Legend and bar numbers.
    static const char* const typeNames[] = {"step", "linear", "smooth", "ramp"};
    int legendX = 8;
    drawText(picture, legendX, 8, "keys:", kDimText);
    legendX += textWidth("keys: ");
    for (int32_t type = 0; type < 4; ++type) {
        drawMarker(picture, legendX + 4, 11, type);
        drawText(picture, legendX + 12, 8, typeNames[type], kText);
        legendX += 12 + textWidth(typeNames[type]) + 14;
    }
    drawText(picture, legendX + 10, 8, "bar lines every 4 beats, 16 rows a beat, " + number(request.bpm) + " bpm", kDimText);
    for (long bar = firstMultiple(picture.fromSeconds / barSeconds, barLabelEvery); bar * barSeconds <= picture.toSeconds;
         bar += barLabelEvery)
        drawText(picture, xOfSeconds(bar * barSeconds) + 3, top - 12, std::to_string(bar + 1), kDimText);

    for (int i = 0; i < lanes; ++i) {
        const PlotLane& lane = request.tracks[static_cast<size_t>(i)];
        const int y0 = top + i * (kLaneHeight + kLaneGap);
        picture.fillRect(kLeft, y0, plotWidth, kLaneHeight, kLaneBackground);
        drawGrid(y0, y0 + kLaneHeight);

        SyncTrack track;
        track.keys = lane.keys;
        track.keyCount = static_cast<int32_t>(lane.keys.size());
        // The range covers every key and every value drawn, padded so that nothing sits on the edge.
        double lo = 0.0, hi = 0.0;
        bool first = true;
        auto widen = [&](double v) {
            if (!std::isfinite(v)) return;
            lo = first ? v : std::min(lo, v);
            hi = first ? v : std::max(hi, v);
            first = false;
        };
        for (const SyncKey& k : lane.keys) widen(k.value);
        std::vector<double> values(static_cast<size_t>(plotWidth));
        for (int x = 0; x < plotWidth; ++x) {
            values[static_cast<size_t>(x)] = static_cast<float>(getValue(&track, secondsOfX(kLeft + x) * perSecond));
            widen(values[static_cast<size_t>(x)]);
        }
        const double pad = hi > lo ? (hi - lo) * 0.08 : std::max(1.0, std::fabs(hi) * 0.5);
        const double vmin = lo - pad, vmax = hi + pad;
        auto yOf = [&](double v) {
            const double t = std::isfinite(v) ? (v - vmin) / (vmax - vmin) : 0.0;
            return y0 + kLaneHeight - 1 - static_cast<int>(std::lround(t * (kLaneHeight - 1)));
        };

        const Rgb colour = kCurves[static_cast<size_t>(i) % (sizeof(kCurves) / sizeof(kCurves[0]))];
        // Large names where they leave room for the value labels at the lane's top.
        const int nameScale = textWidth(lane.name, 2) <= kLeft - 70 ? 2 : 1;
        std::string name = lane.name;
        const size_t fits = static_cast<size_t>((kLeft - 70) / kGlyphAdvance);
        if (nameScale == 1 && name.size() > fits) name = name.substr(0, fits - 2) + "..";
        drawText(picture, 8, y0 + 4, name, colour, nameScale);
        drawText(picture, 8, y0 + 4 + kGlyphHeight * nameScale + 2,
                 lane.keys.empty() ? "no keys: reads 0" : std::to_string(lane.keys.size()) + (lane.keys.size() == 1 ? " key" : " keys"), kDimText);
        const std::string hiText = number(hi), loText = number(lo);
        drawText(picture, kLeft - 6 - textWidth(hiText), yOf(hi) - 3, hiText, kText);
        if (loText != hiText) drawText(picture, kLeft - 6 - textWidth(loText), yOf(lo) - 3, loText, kText);
        for (double v : {lo, hi})
            for (int x = kLeft - 4; x < kLeft; ++x) picture.set(x, yOf(v), kText);

        int previous = yOf(values[0]);
        for (int x = 0; x < plotWidth; ++x) {
            const int y = yOf(values[static_cast<size_t>(x)]);
            for (int j = std::min(previous, y); j <= std::max(previous, y); ++j) {
                picture.set(kLeft + x, j, colour);
                picture.set(kLeft + x, j + 1, colour);  // two pixels thick
            }
            previous = y;
        }
        for (const SyncKey& k : lane.keys) {
            const double s = k.row / perSecond;
            if (s < picture.fromSeconds || s > picture.toSeconds) continue;
            drawMarker(picture, xOfSeconds(s), yOf(k.value), k.type);
        }
    }

    if (hasWave) {
        const int y0 = top + lanes * (kLaneHeight + kLaneGap);
        picture.fillRect(kLeft, y0, plotWidth, kWaveHeight, kLaneBackground);
        drawGrid(y0, y0 + kWaveHeight);
        drawText(picture, 8, y0 + 4, "soundtrack", kText, 2);
        const int mid = y0 + kWaveHeight / 2;
        const size_t frames = request.audio.size() / 2;
        for (int x = 0; x < plotWidth; ++x) {
            // The loudest sample either way within the column's slice of time.
            const double a = secondsOfX(kLeft + x) * playback::kOutputRate;
            const double b = secondsOfX(kLeft + x + 1) * playback::kOutputRate;
            const size_t from = static_cast<size_t>(std::max(0.0, a));
            const size_t to = std::min(frames, static_cast<size_t>(std::max(a + 1.0, b)));
            int lowest = 0, highest = 0;
            for (size_t f = from; f < to; ++f) {
                const int mono = (request.audio[2 * f] + request.audio[2 * f + 1]) / 2;
                lowest = std::min(lowest, mono);
                highest = std::max(highest, mono);
            }
            const int half = kWaveHeight / 2 - 4;
            for (int y = mid - highest * half / 32768; y <= mid - lowest * half / 32768; ++y) picture.set(kLeft + x, y, kPlotWaveColour);
        }
    }

    // Seconds along the bottom, at a spacing that keeps the labels apart.
    const double steps[] = {0.1, 0.25, 0.5, 1, 2, 5, 10, 15, 30, 60, 120, 300, 600};
    // Past the table: whole tens of minutes, as many as keep the labels apart.
    double step = 600.0 * std::ceil(70.0 * span / plotWidth / 600.0);
    for (double s : steps)
        if (s / span * plotWidth >= 70.0) {
            step = s;
            break;
        }
    for (long i = static_cast<long>(std::ceil(picture.fromSeconds / step)); i * step <= picture.toSeconds + 1e-9; ++i) {
        const double s = i * step;
        const int x = xOfSeconds(s);
        for (int y = bottom; y < bottom + 5; ++y) picture.set(x, y, kDimText);
        const std::string label = number(s) + "s";
        const int labelX = x + 3 + textWidth(label) < width ? x + 3 : x - 2 - textWidth(label);
        drawText(picture, labelX, bottom + 8, label, kDimText);
    }
    return picture;
}
