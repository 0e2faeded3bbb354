// Where the player writes its own files (Log.txt, fftw_wisdom.txt). A show run
// from read-only media or from someone else's folder cannot write beside
// Config.txt; its files then go to a folder of its own for the user, or failing
// that to one under the system's temporary folder. Everything the show reads
// still comes from the working folder.
#pragma once
#include <string>
#include <vector>

namespace StateFolder {

// The show's name for its state folder: the working folder's base name ("show" at the root).
std::string showName();

// The folders to try, in order, when the working folder cannot be written:
// $XDG_STATE_HOME/solvane/NAME (XDG_STATE_HOME only when absolute, else
// ~/.local/state), then a pattern for mkdtemp under the temporary folder.
std::vector<std::string> fallbacks(const std::string& name);

// Creates `folder` (and its parents, or a fresh one from a pattern ending in
// XXXXXX); the folder made, or "" when it cannot be.
std::string make(const std::string& folder);

// The chosen folder: "" for the working folder, else a path without a trailing slash.
void set(const std::string& folder);
// `fileName` in the chosen folder (the bare name in the working folder).
std::string path(const std::string& fileName);

} // namespace StateFolder
