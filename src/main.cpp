// Process entry: the command line, then one engine on the stack. Exit status 2
// for a wrong command line, 1 when start-up or a capture fails, before or after the
// window; a capture stopped by SIGINT 130, by SIGTERM or SIGHUP 143.
// `--sync-editor [HOST[:PORT]]` takes the tracks live from a sync-tracker editor.
// `--new DIR` writes a starter show and ends (2 when the folder is taken).
#include "app/CaptureRun.h"
#include "app/CommandLine.h"
#include "app/Engine.h"
#include "app/StarterShow.h"
#include "platform/StopSignals.h"

#include <cstdio>

int main(int argc, char** argv) {
    LaunchOptions options;
    std::string error;
    if (!parseCommandLine(argc, argv, options, error)) {
        std::fprintf(stderr, "solvane: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(commandLineHelp().c_str(), stdout);
        return 0;
    }
    if (options.has("--new")) {
        StarterShowRequest request{options.newShow, kStarterBeatsPerMinute, options.newSoundtrack};
        if (options.has("--bpm")) request.beatsPerMinute = options.newBeatsPerMinute;
        const StarterResult made = createStarterShow(request, findPlayerData(currentExecutable(argv[0])), error);
        std::fprintf(made == StarterResult::Ok ? stdout : stderr, "solvane: %s\n", error.c_str());
        return made == StarterResult::Ok ? 0 : made == StarterResult::Refused ? 2 : 1;
    }
    if (options.capture.enabled() && !prepareCaptureTarget(options.capture, error)) {
        std::fprintf(stderr, "solvane: %s\n", error.c_str());
        return 1;
    }
    Engine engine;
    engine.capture = options.capture;
    engine.realTime = {options.start, options.loopFrom, options.loopTo, options.width, options.height, options.fullscreen};
    if (options.useSyncEditor) engine.syncDevice.useEditor(options.syncEditor);
    if (!engine.initialize()) {
        engine.abortStartup();
        return 1;
    }
    const bool ok = engine.run();
    engine.shutdown();
    if (ok) return 0;
    // A capture stopped by a signal says so in its status, as a shell expects.
    return options.capture.enabled() && stopSignals::exitStatus() ? stopSignals::exitStatus() : 1;
}
