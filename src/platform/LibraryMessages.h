// The system libraries under SDL write their own complaints straight to stderr:
// ALSA lists every step of failing to find a sound card, libwayland says there is
// no runtime folder when there is no Wayland session. A show's terminal carries
// the player's own lines; these go to the log instead.
#pragma once

// Routes ALSA's and libwayland's messages to SDL's log, when those libraries
// exist on this machine. Call before SDL starts probing drivers.
void routeLibraryMessagesToLog();

// True when SDL found no screen and draws to an invisible surface (its offscreen
// or dummy video driver). Call after the window exists.
bool drawingWithoutDisplay();
