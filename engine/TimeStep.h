// How finely each volume keeps file times, and comparing times at that
// step: FAT keeps 2 seconds, exFAT 10 ms, many NAS shares whole seconds,
// NTFS 100 ns.
#ifndef LUNVEX_TIMESTEP_H
#define LUNVEX_TIMESTEP_H

#include "SyncParam.h"

// FILETIME units (100 ns) in a second.
#define TIME_UNITS_PER_SECOND 10000000LL

// Learns, once per run, the coarser time step of the two top folders'
// volumes into record->nTimeStep: the source's from its file system's name,
// the destination's from a stamp read back from a temporary file there.
void LearnTimeStep(SYNCPARAM *record);

// -1, 0 or 1 as a is earlier than, within nStep of, or later than b.
int CompareTimesAtStep(const FILETIME *pA, const FILETIME *pB, LONGLONG nStep);

#endif
