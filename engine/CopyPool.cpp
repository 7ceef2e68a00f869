// The copy workers and the ring that keeps their results in the walk's order.
#include "CopyPool.h"
#include "Report.h"

#define COPYPOOL_MOST_WORKERS 16

// What a place in the ring holds.
enum
{
    PLACE_WAITING,  // a copy no worker has taken yet
    PLACE_COPYING,  // a copy a worker is making
    PLACE_READY,    // a result to hand on
};

// What a place stands for.
enum
{
    PLACE_RESULT,   // a result known at once
    PLACE_COPY,     // a copy, and how it went
    PLACE_RELEASE,  // a held folder to let go once the copies before it are made
};

typedef struct tagPLACE
{
    int nState;
    int nKind;
    HANDLE hFolder;
    // A copy, and how it went.
    COPYJOB job;
    FILETIME ftSource;
    DWORD dwError;
    FILETIME ftDestNow;
    // A result known at once.
    RESULTCODE nCode;
    BOOL bDated;
    FILETIME ftTime;
    WCHAR szPath[REPORT_PATH_BUFFER];
} PLACE;

struct tagCOPYPOOL
{
    CRITICAL_SECTION lock;  // the places' states and the ring's ends
    HANDLE hWaiting;        // a semaphore: copies waiting for a worker
    HANDLE hReady;          // set by a worker whenever a copy is made
    BOOL bStopping;
    int nWorkers;
    HANDLE hWorkers[COPYPOOL_MOST_WORKERS];
    LONG nOldest, nNext;    // the places in use, oldest first: [nOldest, nNext)
    PLACE places[COPYPOOL_PLACES];
};

static PLACE *PlaceAt(COPYPOOL *pool, LONG n)
{
    return &pool->places[n % COPYPOOL_PLACES];
}

static DWORD WINAPI CopyWorkerProc(LPVOID param)
{
    COPYPOOL *pool = (COPYPOOL *)param;
    for (;;)
    {
        WaitForSingleObject(pool->hWaiting, INFINITE);
        EnterCriticalSection(&pool->lock);
        PLACE *place = NULL;
        for (LONG n = pool->nOldest; n < pool->nNext && !place; n++)
        {
            if (PlaceAt(pool, n)->nState == PLACE_WAITING)
                place = PlaceAt(pool, n);
        }
        if (place)
            place->nState = PLACE_COPYING;
        BOOL bStopping = pool->bStopping;
        LeaveCriticalSection(&pool->lock);
        if (!place)
        {
            if (bStopping)
                return 0;
            continue;
        }
        place->dwError = CopyFileWhole(&place->job, &place->ftDestNow);
        EnterCriticalSection(&pool->lock);
        place->nState = PLACE_READY;
        LeaveCriticalSection(&pool->lock);
        SetEvent(pool->hReady);
    }
}

// Hands on the oldest results that are complete, in order. Only the walk's
// thread calls this, and only it moves the ring's oldest end, so the place
// is read without the lock once it is ready.
static void HandOnReady(SYNCPARAM *record)
{
    COPYPOOL *pool = record->pCopies;
    for (;;)
    {
        EnterCriticalSection(&pool->lock);
        PLACE *place = pool->nOldest < pool->nNext ? PlaceAt(pool, pool->nOldest) : NULL;
        BOOL bReady = place && place->nState == PLACE_READY;
        LeaveCriticalSection(&pool->lock);
        if (!bReady)
            return;
        if (place->nKind == PLACE_COPY)
            DeliverCopy(&place->job, &place->ftSource, place->dwError, &place->ftDestNow, record);
        else if (place->nKind == PLACE_RESULT)
            DeliverResult(place->nCode, place->bDated ? &place->ftTime : NULL, place->szPath, place->dwError, record);
        else
            CloseHandle(place->hFolder);
        EnterCriticalSection(&pool->lock);
        pool->nOldest++;
        LeaveCriticalSection(&pool->lock);
    }
}

// Waits for the oldest place to be complete and hands it on, with any after it.
static void HandOnOldest(SYNCPARAM *record)
{
    COPYPOOL *pool = record->pCopies;
    LONG nOldest = pool->nOldest;
    while (pool->nOldest == nOldest)
    {
        HandOnReady(record);
        if (pool->nOldest == nOldest)
            WaitForSingleObject(pool->hReady, INFINITE);
    }
}

// The next free place, once the ring has room.
static PLACE *TakePlace(SYNCPARAM *record)
{
    COPYPOOL *pool = record->pCopies;
    HandOnReady(record);
    while (pool->nNext - pool->nOldest == COPYPOOL_PLACES)
        HandOnOldest(record);
    return PlaceAt(pool, pool->nNext);
}

static void UsePlace(COPYPOOL *pool, PLACE *place, int nState)
{
    EnterCriticalSection(&pool->lock);
    place->nState = nState;
    pool->nNext++;
    LeaveCriticalSection(&pool->lock);
}

static int WorkersWanted(void)
{
    WCHAR szCount[8];
    DWORD nLen = GetEnvironmentVariableW(L"LUNVEX_COPY_WORKERS", szCount, ARRAYSIZE(szCount));
    if (nLen == 0 || nLen >= ARRAYSIZE(szCount))
        return COPYPOOL_DEFAULT_WORKERS;
    int nCount = 0;
    for (LPCWSTR p = szCount; *p >= L'0' && *p <= L'9'; p++)
        nCount = nCount * 10 + (*p - L'0');
    return nCount < COPYPOOL_MOST_WORKERS ? nCount : COPYPOOL_MOST_WORKERS;
}

static void FinishCopies(SYNCPARAM *record);

void StartCopyPool(SYNCPARAM *record)
{
    record->pCopies = NULL;
    int nWanted = WorkersWanted();
    if (nWanted == 0)
        return;
    COPYPOOL *pool = (COPYPOOL *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(COPYPOOL));
    if (!pool)
        return;
    InitializeCriticalSection(&pool->lock);
    pool->hWaiting = CreateSemaphoreW(NULL, 0, COPYPOOL_PLACES + COPYPOOL_MOST_WORKERS, NULL);
    pool->hReady = CreateEventW(NULL, FALSE, FALSE, NULL);
    while (pool->hWaiting && pool->hReady && pool->nWorkers < nWanted)
    {
        HANDLE hWorker = CreateThread(NULL, 0, CopyWorkerProc, pool, 0, NULL);
        if (!hWorker)
            break;
        pool->hWorkers[pool->nWorkers++] = hWorker;
    }
    record->pCopies = pool;
    // No worker at all: the walk copies on its own thread after all.
    if (pool->nWorkers == 0)
        StopCopyPool(record);
}

void StopCopyPool(SYNCPARAM *record)
{
    COPYPOOL *pool = record->pCopies;
    if (!pool)
        return;
    FinishCopies(record);
    pool->bStopping = TRUE;
    if (pool->nWorkers)
    {
        ReleaseSemaphore(pool->hWaiting, pool->nWorkers, NULL);
        WaitForMultipleObjects(pool->nWorkers, pool->hWorkers, TRUE, INFINITE);
    }
    for (int i = 0; i < pool->nWorkers; i++)
        CloseHandle(pool->hWorkers[i]);
    if (pool->hWaiting)
        CloseHandle(pool->hWaiting);
    if (pool->hReady)
        CloseHandle(pool->hReady);
    DeleteCriticalSection(&pool->lock);
    HeapFree(GetProcessHeap(), 0, pool);
    record->pCopies = NULL;
}

void QueueCopy(SYNCPARAM *record, const COPYJOB *job, const FILETIME *pftSource)
{
    COPYPOOL *pool = record->pCopies;
    if (!pool)
    {
        FILETIME ftDestNow;
        DWORD dwError = CopyFileWhole(job, &ftDestNow);
        DeliverCopy(job, pftSource, dwError, &ftDestNow, record);
        return;
    }
    PLACE *place = TakePlace(record);
    place->nKind = PLACE_COPY;
    place->job = *job;
    place->ftSource = *pftSource;
    UsePlace(pool, place, PLACE_WAITING);
    ReleaseSemaphore(pool->hWaiting, 1, NULL);
}

// Hands on what is ready. TRUE when something queued before still waits,
// so that what comes next must wait its turn too.
static BOOL IsAnythingWaiting(SYNCPARAM *record)
{
    COPYPOOL *pool = record->pCopies;
    if (!pool)
        return FALSE;
    HandOnReady(record);
    return pool->nOldest != pool->nNext;
}

void QueueResult(SYNCPARAM *record, RESULTCODE nCode, const FILETIME *pTime, LPCWSTR path, DWORD dwError)
{
    if (!IsAnythingWaiting(record))
    {
        DeliverResult(nCode, pTime, path, dwError, record);
        return;
    }
    COPYPOOL *pool = record->pCopies;
    PLACE *place = TakePlace(record);
    place->nKind = PLACE_RESULT;
    place->nCode = nCode;
    place->bDated = pTime != NULL;
    if (pTime)
        place->ftTime = *pTime;
    place->dwError = dwError;
    lstrcpynW(place->szPath, path, REPORT_PATH_BUFFER);
    UsePlace(pool, place, PLACE_READY);
}

void ReleaseAfterCopies(SYNCPARAM *record, HANDLE hFolder)
{
    if (!IsAnythingWaiting(record))
    {
        CloseHandle(hFolder);
        return;
    }
    COPYPOOL *pool = record->pCopies;
    PLACE *place = TakePlace(record);
    place->nKind = PLACE_RELEASE;
    place->hFolder = hFolder;
    UsePlace(pool, place, PLACE_READY);
}

// Waits until every place is handed on.
static void FinishCopies(SYNCPARAM *record)
{
    COPYPOOL *pool = record->pCopies;
    while (pool && pool->nOldest < pool->nNext)
        HandOnOldest(record);
}
