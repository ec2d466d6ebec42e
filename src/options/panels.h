// Information panels (help, about, status) and the small commands that show
// the screen, the position, and switch typing modes.
#pragma once

extern const char* const ku_help[32];   // lines of the help panel
extern const char* const about_ku[17];  // lines of the about panel

// The memory figure of the status panel: lines of every open file with their
// overhead, the two line buffers and the undo queue.
int ram_in_use();
