// How long a path may be. Shared by every subsystem that holds path text.
#ifndef LUNVEX_PATHLIMITS_H
#define LUNVEX_PATHLIMITS_H

#include <windows.h>

// A path holds at most MAX_PATH (260) characters, terminator included. Buffers
// keep four more so that "*.*" still fits after the longest folder plus "\".
#define PATH_BUFFER 264
#define PATH_MAX_CHARS (MAX_PATH - 1)
// A folder path and one more name: what a result may need to show an entry
// whose path runs past the limit, whole rather than cut.
#define REPORT_PATH_BUFFER (PATH_BUFFER + MAX_PATH)

#endif
