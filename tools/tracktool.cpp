// Sync track tool for demo makers: the text form of tracks to the binary files
// the engine reads ("_<name>.track") and back, the value the engine reads at a
// time, and a picture of tracks over the soundtrack. Relies on TrackText,
// SyncDevice (for values exactly as the engine computes them) and TrackPlot.
//
//   tracktool compile OUTDIR SOURCE.tracks...
//   tracktool decompile SYNCDIR > show.tracks
//   tracktool value SYNCDIR NAME TIME|ROW       (TIME: "12.5s" or beats "8b"; ROW: a number)
//   tracktool plot SYNCDIR OUT.png [--tracks A,B,...] [--from S --to S] [--audio FILE.mp3]
//
// Rows and beats follow the shipped show's timing, or with "--show DIR" before
// the command, the tempo and rows per beat of DIR/res/show.txt.
//
// Failures print "<file>: <reason>" (compile: "<file>:<line>: <reason>") and exit 1.
#include "audio/ManualAudioDevice.h"
#include "audio/Mp3Decoder.h"
#include "core/FileIO.h"
#include "core/ShowFile.h"
#include "sync/SyncDevice.h"
#include "sync/TrackPlot.h"
#include "sync/TrackText.h"

#include <stb/stb_image_write.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: tracktool [--show DIR] compile OUTDIR SOURCE.tracks...\n"
                 "       tracktool [--show DIR] decompile SYNCDIR\n"
                 "       tracktool [--show DIR] value SYNCDIR NAME TIME|ROW\n"
                 "       tracktool [--show DIR] plot SYNCDIR OUT.png [--tracks A,B,...] [--from S --to S] [--audio FILE.mp3]\n");
    return 2;
}

int compile(const std::string& outDir, const std::vector<std::string>& sources) {
    std::vector<TextTrack> tracks;
    for (const std::string& source : sources) {
        std::vector<char> text;
        if (!FileIO::readText(source, text)) {
            std::fprintf(stderr, "%s: cannot be read\n", source.c_str());
            return 1;
        }
        std::vector<TextTrack> parsed;
        std::string error;
        if (!parseTrackText(std::string(text.data(), text.size() - 1), parsed, error)) {
            std::fprintf(stderr, "%s:%s\n", source.c_str(), error.c_str());
            return 1;
        }
        for (TextTrack& t : parsed) {
            for (const TextTrack& seen : tracks)
                if (seen.name == t.name) {
                    std::fprintf(stderr, "%s: track '%s' is defined in an earlier file too\n", source.c_str(),
                                 t.name.c_str());
                    return 1;
                }
            tracks.push_back(std::move(t));
        }
    }
    // Together: a folder is never left half old, half new, and a running player
    // reading a file at any moment sees the old one or the new one.
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    for (const TextTrack& t : tracks) files.emplace_back(outDir + "/" + trackFileName(t.name), encodeTrack(t.keys));
    FileIO::ReplaceFailure failure;
    if (!FileIO::replaceTogether(files, failure)) {
        if (failure.step == FileIO::ReplaceStep::Rename)
            std::fprintf(stderr, "%s: cannot be replaced (%s)\n", failure.path.c_str(), failure.reason.c_str());
        else if (failure.step == FileIO::ReplaceStep::NotRegular)
            std::fprintf(stderr, "%s: cannot be written (it is not a regular file); no track was replaced\n",
                         failure.path.c_str());
        else
            std::fprintf(stderr, "%s: cannot be written (%s); no track was replaced\n", failure.path.c_str(),
                         failure.reason.c_str());
        return 1;
    }
    std::printf("%zu tracks written to %s\n", tracks.size(), outDir.c_str());
    return 0;
}

// Every "_<name>.track" of the folder, by name. False (after one line per
// file) when a file cannot be read exactly; the others are still returned.
bool readTrackFolder(const std::string& dir, std::vector<TextTrack>& tracks) {
    namespace fs = std::filesystem;
    std::error_code ec;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        const std::string file = entry.path().filename().string();
        if (file.size() > 7 && file[0] == '_' && file.compare(file.size() - 6, 6, ".track") == 0) files.push_back(entry.path());
    }
    if (ec) {
        std::fprintf(stderr, "%s: cannot be listed (%s)\n", dir.c_str(), ec.message().c_str());
        return false;
    }
    std::sort(files.begin(), files.end());
    bool ok = true;
    for (const fs::path& path : files) {
        const std::string file = path.filename().string();
        TextTrack track{file.substr(1, file.size() - 7), {}};
        std::vector<uint8_t> bytes;
        std::string error;
        std::error_code ec;
        if (!FileIO::readAll(path.string(), bytes))
            error = fs::is_directory(path, ec) ? "cannot be read: it is a directory"
                    : fs::exists(path, ec) && !fs::is_regular_file(path, ec) ? "cannot be read: it is not a regular file"
                                                                             : "cannot be read";
        else decodeTrack(bytes, track.keys, error);
        if (!error.empty()) {
            std::fprintf(stderr, "%s: %s\n", path.string().c_str(), error.c_str());
            ok = false;
            continue;
        }
        tracks.push_back(std::move(track));
    }
    return ok;
}

int decompile(const std::string& dir) {
    std::vector<TextTrack> tracks;
    bool ok = readTrackFolder(dir, tracks);
    std::string text = "# Sync tracks of " + dir + ". Compile with: tracktool compile SYNCDIR THIS_FILE\n";
    for (const TextTrack& track : tracks) {
        std::string one, error;
        if (!decompileTrack(track, one, error)) {
            std::fprintf(stderr, "%s/%s: has no text form (%s)\n", dir.c_str(), trackFileName(track.name).c_str(),
                         error.c_str());
            ok = false;
            continue;
        }
        text += "\n" + one;
    }
    std::fputs(text.c_str(), stdout);
    return ok ? 0 : 1;
}

bool parseNumber(const std::string& text, double& out) {
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && std::isfinite(out);
}

int value(const std::string& dir, const std::string& name, const std::string& when) {
    const char unit = when.empty() ? 0 : when.back();
    double number = 0.0;
    if (!parseNumber(unit == 's' || unit == 'b' ? when.substr(0, when.size() - 1) : when, number)) {
        std::fprintf(stderr, "%s: not a time (\"12.5s\"), beats (\"8b\") or a row\n", when.c_str());
        return 1;
    }
    ManualAudioDevice audio;
    SyncDevice sync;
    sync.init(&audio, dir + "/");
    float result = 0.0f;
    if (unit == 's') {
        // The engine's own path from a play position to a value.
        audio.position = static_cast<float>(number);
        sync.update();
        result = sync.getFloat(name.c_str());
    } else {
        SyncTrackStore* store = createStore(dir + "/");
        result = static_cast<float>(getValue(getTrack(store, name.c_str()), unit == 'b' ? number * showTiming().rowsPerBeat : number));
        destroyStore(store);
    }
    if (!std::filesystem::exists(dir + "/" + trackFileName(name)))
        std::fprintf(stderr, "%s/%s: no such file; the engine reads 0\n", dir.c_str(), trackFileName(name).c_str());
    std::printf("%.9g\n", static_cast<double>(result));
    return 0;
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> items;
    std::stringstream in(text);
    for (std::string item; std::getline(in, item, ',');)
        if (!item.empty()) items.push_back(item);
    return items;
}

int plot(const std::string& dir, const std::string& out, const std::vector<std::string>& options) {
    PlotRequest request;
    std::vector<std::string> chosen;
    std::string audioPath;
    for (size_t i = 0; i < options.size(); ++i) {
        const std::string& option = options[i];
        if (i + 1 >= options.size()) return usage();
        const std::string& argument = options[++i];
        double seconds = 0.0;
        if (option == "--tracks") chosen = splitList(argument);
        else if (option == "--audio") audioPath = argument;
        else if ((option == "--from" || option == "--to") && parseNumber(argument, seconds) && seconds >= 0.0)
            (option == "--from" ? request.fromSeconds : request.toSeconds) = seconds;
        else return usage();
    }
    if (chosen.size() > kMaxPlotLanes) {
        std::fprintf(stderr, "--tracks names %zu tracks; a plot shows the first %zu\n", chosen.size(), kMaxPlotLanes);
        chosen.resize(kMaxPlotLanes);
    }
    std::vector<TextTrack> tracks;
    bool ok = readTrackFolder(dir, tracks);
    if (chosen.empty()) {
        for (TextTrack& t : tracks) request.tracks.push_back({t.name, t.keys});
    } else {
        for (const std::string& name : chosen) {
            auto it = std::find_if(tracks.begin(), tracks.end(), [&](const TextTrack& t) { return t.name == name; });
            if (it == tracks.end()) {
                std::fprintf(stderr, "%s/%s: no such track; drawn as the engine reads it, 0\n", dir.c_str(),
                             trackFileName(name).c_str());
                request.tracks.push_back({name, {}});
            } else {
                request.tracks.push_back({it->name, it->keys});
            }
        }
    }
    if (request.tracks.size() > kMaxPlotLanes) {
        std::fprintf(stderr, "%s holds %zu tracks; a plot shows the first %zu\n", dir.c_str(), request.tracks.size(),
                     kMaxPlotLanes);
        request.tracks.resize(kMaxPlotLanes);
    }
    if (!audioPath.empty()) {
        if (Mp3Decoder::decodeFile(audioPath, playback::kOutputRate, request.audio) != Mp3Decoder::Result::Ok) {
            std::fprintf(stderr, "%s: cannot be decoded; drawn without the waveform\n", audioPath.c_str());
            request.audio.clear();
            ok = false;
        }
    }
    const PlotPicture picture = plotTracks(request);
    if (!stbi_write_png(out.c_str(), picture.width, picture.height, 3, picture.pixels.data(), picture.width * 3)) {
        std::fprintf(stderr, "%s: cannot be written\n", out.c_str());
        return 1;
    }
    std::printf("%zu tracks from %.2f s to %.2f s drawn to %s (%dx%d)\n", request.tracks.size(), picture.fromSeconds,
                picture.toSeconds, out.c_str(), picture.width, picture.height);
    return ok ? 0 : 1;
}
} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "--show") {
        ShowFile show;
        std::string error;
        const std::string file = args[1] + "/" + kShowFileName;
        if (!readShowFile(file, show, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        if (!show.present) std::fprintf(stderr, "%s: no such file; the default timing is used\n", file.c_str());
        for (const std::string& warning : show.warnings) std::fprintf(stderr, "%s\n", warning.c_str());
        setShowTiming(show.timing);
        args.erase(args.begin(), args.begin() + 2);
    }
    const std::string command = args.empty() ? "" : args[0];
    if (command == "compile" && args.size() >= 3) return compile(args[1], {args.begin() + 2, args.end()});
    if (command == "decompile" && args.size() == 2) return decompile(args[1]);
    if (command == "value" && args.size() == 4) return value(args[1], args[2], args[3]);
    if (command == "plot" && args.size() >= 3) return plot(args[1], args[2], {args.begin() + 3, args.end()});
    return usage();
}
