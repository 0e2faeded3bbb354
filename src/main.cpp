// Process entry: one engine on the stack. Exit status 1 when start-up fails.
#include "core/Engine.h"

int main(int, char**) {
    Engine engine;
    if (!engine.initialize()) {
        engine.abortStartup();
        return 1;
    }
    engine.run();
    engine.shutdown();
    return 0;
}
