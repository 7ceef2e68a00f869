// A set of a listing's names, kept as 64-bit hashes of their upper-case
// forms. Two different names share a hash about once in 2^64 pairs; should
// it happen, the second is reported as a failed copy, never merged.
#include "NameSet.h"

void InitNameSet(NAMESET *pSet)
{
    pSet->pKeys = pSet->inlineKeys;
    pSet->nSlots = NAMESET_INLINE_SLOTS;
    pSet->nUsed = 0;
    SecureZeroMemory(pSet->inlineKeys, sizeof(pSet->inlineKeys));
}

void FreeNameSet(NAMESET *pSet)
{
    if (pSet->pKeys != pSet->inlineKeys)
        HeapFree(GetProcessHeap(), 0, pSet->pKeys);
    InitNameSet(pSet);
}

// FNV-1a over the name as the file system would compare it.
static ULONGLONG KeyOf(LPCWSTR name)
{
    WCHAR szUpper[MAX_PATH];
    int nLen = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name, -1, szUpper, MAX_PATH, NULL, NULL, 0);
    LPCWSTR p = nLen > 0 ? szUpper : name;
    ULONGLONG nKey = 14695981039346656037ULL;
    for (; *p; p++)
        nKey = (nKey ^ *p) * 1099511628211ULL;
    return nKey ? nKey : 1;  // 0 marks a free slot
}

// TRUE when the key was there; otherwise puts it in.
static BOOL FindOrPut(ULONGLONG *pKeys, DWORD nSlots, ULONGLONG nKey)
{
    for (DWORD i = (DWORD)nKey & (nSlots - 1);; i = (i + 1) & (nSlots - 1))
    {
        if (pKeys[i] == nKey)
            return TRUE;
        if (pKeys[i] == 0)
        {
            pKeys[i] = nKey;
            return FALSE;
        }
    }
}

DWORD AddName(NAMESET *pSet, LPCWSTR name)
{
    // Kept at most half full, so that look-ups stay short.
    if ((pSet->nUsed + 1) * 2 > pSet->nSlots)
    {
        DWORD nSlots = pSet->nSlots * 2;
        ULONGLONG *pKeys = (ULONGLONG *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, nSlots * sizeof(ULONGLONG));
        if (!pKeys)
            return ERROR_NOT_ENOUGH_MEMORY;
        for (DWORD i = 0; i < pSet->nSlots; i++)
        {
            if (pSet->pKeys[i])
                FindOrPut(pKeys, nSlots, pSet->pKeys[i]);
        }
        if (pSet->pKeys != pSet->inlineKeys)
            HeapFree(GetProcessHeap(), 0, pSet->pKeys);
        pSet->pKeys = pKeys;
        pSet->nSlots = nSlots;
    }
    if (FindOrPut(pSet->pKeys, pSet->nSlots, KeyOf(name)))
        return ERROR_ALREADY_EXISTS;
    pSet->nUsed++;
    return ERROR_SUCCESS;
}
