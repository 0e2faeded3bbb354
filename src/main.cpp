// Process entry: one engine on the stack. Exit status 1 when start-up fails.
// `--sync-editor [HOST[:PORT]]` takes the tracks live from a sync-tracker editor.
#include "core/Engine.h"

#include <cstring>

int main(int argc, char** argv) {
    Engine engine;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sync-editor") != 0) continue;
        const bool hasAddress = i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0;
        engine.syncDevice.useEditor(hasAddress ? argv[++i] : "");
    }
    if (!engine.initialize()) {
        engine.abortStartup();
        return 1;
    }
    engine.run();
    engine.shutdown();
    return 0;
}
