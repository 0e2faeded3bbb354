// The fallback folders for the player's own files.
#include "core/StateFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace fs = std::filesystem;

namespace StateFolder {
namespace {
std::string chosen;  // set once at start-up, before any other thread exists

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}
} // namespace

std::string showName() {
    std::error_code error;
    const std::string name = fs::current_path(error).filename().string();
    return name.empty() ? "show" : name;
}

std::vector<std::string> fallbacks(const std::string& name) {
    std::vector<std::string> folders;
    // A relative XDG_STATE_HOME would move with the working folder: desktops ignore it, so do we.
    const std::string state = environment("XDG_STATE_HOME");
    const std::string home = environment("HOME");
    if (!state.empty() && state[0] == '/')
        folders.push_back(state + "/solvane/" + name);
    else if (!home.empty())
        folders.push_back(home + "/.local/state/solvane/" + name);
    std::error_code error;
    std::string temporary = fs::temp_directory_path(error).string();
    if (error || temporary.empty()) temporary = "/tmp";
    // A fresh folder: a shared temporary folder may hold one of that name made by someone else.
    folders.push_back(temporary + "/solvane-" + name + "-XXXXXX");
    return folders;
}

std::string make(const std::string& folder) {
    const std::string pattern = "XXXXXX";
    if (folder.size() >= pattern.size() && folder.compare(folder.size() - pattern.size(), pattern.size(), pattern) == 0) {
        std::string buffer = folder;
        return mkdtemp(buffer.data()) ? buffer : "";
    }
    std::error_code error;
    fs::create_directories(folder, error);
    return !error && fs::is_directory(folder, error) ? folder : "";
}

void set(const std::string& folder) { chosen = folder; }

std::string path(const std::string& fileName) { return chosen.empty() ? fileName : chosen + "/" + fileName; }

} // namespace StateFolder
