// Copies made by a few worker threads while the walk goes on deciding, so
// that creations, data and flushes overlap instead of queuing. Results still
// reach the front end in the walk's own order, exactly as one thread would
// give them: each result takes the next place in a bounded ring, and places
// are handed on from the oldest, each once it is complete.
#ifndef LUNVEX_COPYPOOL_H
#define LUNVEX_COPYPOOL_H

#include "Copies.h"

// Places in the ring: how far the walk may run ahead of the oldest copy.
#define COPYPOOL_PLACES 64
// Workers when the environment gives no other count (LUNVEX_COPY_WORKERS,
// 0 to 16, for measuring): chosen from the benchmark.
#define COPYPOOL_DEFAULT_WORKERS 4

typedef struct tagCOPYPOOL COPYPOOL;

// Starts the workers for one run and puts the pool in record->pCopies.
// Without workers (none asked for, or none could be started) the walk's own
// thread makes each copy as it decides it, and results go straight on.
void StartCopyPool(SYNCPARAM *record);
// Hands on every result still waiting, then ends the workers.
void StopCopyPool(SYNCPARAM *record);

// A copy the walk decided: made by a worker, its result handed on in turn.
// ftSource is the source's last write time, which its row shows.
void QueueCopy(SYNCPARAM *record, const COPYJOB *job, const FILETIME *pftSource);
// A result the walk knows at once, handed on after those before it.
void QueueResult(SYNCPARAM *record, RESULTCODE nCode, const FILETIME *pTime, LPCWSTR path, DWORD dwError);
// Lets go of a folder the walk held (closes hFolder) once every copy queued
// so far is made: the walk goes on at once, and the copies out of and into
// that folder are made while it is still held.
void ReleaseAfterCopies(SYNCPARAM *record, HANDLE hFolder);

#endif
