// Linked into the player and the test programs of the sanitizer build only.
// Mesa's GL and EGL drivers keep blocks they allocated reachable from their
// own static data; when SDL closes the GL library at shutdown the driver is
// unmapped, and LeakSanitizer, scanning at exit, finds those blocks
// unreachable and cannot even name the library they came from. Keeping
// Mesa's libraries mapped lets the leak check see through them, so no blanket
// suppression is needed.
#include <dlfcn.h>
#include <link.h>

#include <cstring>

extern "C" int dlclose(void* handle) {
    static auto real = reinterpret_cast<int (*)(void*)>(dlsym(RTLD_NEXT, "dlclose"));
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name &&
        (std::strstr(map->l_name, "/dri/") || std::strstr(map->l_name, "_mesa.so")))
        return 0;
    return real(handle);
}
