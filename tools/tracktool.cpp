// Sync track tool for demo makers. Compiles the text form of tracks into the
// binary files the engine reads (one "_<name>.track" per track):
//
//   tracktool compile OUTDIR SOURCE.tracks...
//
// Exits 1 with "<file>:<line>: <reason>" at the first malformed line, before
// anything is written.
#include "sync/TrackText.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {
int usage() {
    std::fprintf(stderr, "usage: tracktool compile OUTDIR SOURCE.tracks...\n");
    return 2;
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 4 || std::string(argv[1]) != "compile") return usage();
    std::string outDir = argv[2];
    std::vector<TextTrack> tracks;
    for (int i = 3; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "%s: cannot be read\n", argv[i]);
            return 1;
        }
        std::stringstream text;
        text << in.rdbuf();
        std::vector<TextTrack> parsed;
        std::string error;
        if (!parseTrackText(text.str(), parsed, error)) {
            std::fprintf(stderr, "%s:%s\n", argv[i], error.c_str());
            return 1;
        }
        for (TextTrack& t : parsed) {
            for (const TextTrack& seen : tracks)
                if (seen.name == t.name) {
                    std::fprintf(stderr, "%s: track '%s' is defined in an earlier file too\n", argv[i],
                                 t.name.c_str());
                    return 1;
                }
            tracks.push_back(std::move(t));
        }
    }
    for (const TextTrack& t : tracks) {
        std::string path = outDir + "/" + trackFileName(t.name);
        std::vector<uint8_t> bytes = encodeTrack(t.keys);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "%s: cannot be written\n", path.c_str());
            return 1;
        }
    }
    std::printf("%zu tracks written to %s\n", tracks.size(), outDir.c_str());
    return 0;
}
