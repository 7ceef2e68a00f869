// The names one folder listing has given so far, compared as Windows
// compares names: without regard to case. In a case-sensitive folder (WSL,
// Samba, Linux media) "a.txt" and "A.txt" are two files, and names Wine
// cannot decode list alike; copied, either pair would land on one file.
#ifndef LUNVEX_NAMESET_H
#define LUNVEX_NAMESET_H

#include <windows.h>

// Small folders fit in the set itself; larger ones take the process heap.
#define NAMESET_INLINE_SLOTS 32

typedef struct tagNAMESET
{
    ULONGLONG *pKeys;  // open addressing; 0 marks a free slot
    DWORD nSlots;      // a power of two
    DWORD nUsed;
    ULONGLONG inlineKeys[NAMESET_INLINE_SLOTS];
} NAMESET;

void InitNameSet(NAMESET *pSet);
// ERROR_SUCCESS for a new name, ERROR_ALREADY_EXISTS when an equal one was
// added before, ERROR_NOT_ENOUGH_MEMORY when that cannot be told.
DWORD AddName(NAMESET *pSet, LPCWSTR name);
void FreeNameSet(NAMESET *pSet);

#endif
