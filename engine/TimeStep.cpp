// How finely the run's volumes keep file times, learned once per run.
#include "TimeStep.h"
#include "Copies.h"
#include "Paths.h"

// The steps a file system may keep times in, coarsest first: FAT's 2 s,
// whole seconds (many NAS shares), exFAT's 10 ms, 1 ms, 1 us, NTFS's 100 ns.
static const LONGLONG c_nSteps[] = {2 * TIME_UNITS_PER_SECOND, TIME_UNITS_PER_SECOND, 100000, 10000, 10, 1};

// The probe's stamp: 1.2345678 s past an even second (2020-01-01 00:00:00
// UTC), so that each step rounds it, up or down, to a value of its own.
#define PROBE_TIME 132223104012345678LL

int CompareTimesAtStep(const FILETIME *pA, const FILETIME *pB, LONGLONG nStep)
{
    LONGLONG a = (LONGLONG)(((ULONGLONG)pA->dwHighDateTime << 32) | pA->dwLowDateTime);
    LONGLONG b = (LONGLONG)(((ULONGLONG)pB->dwHighDateTime << 32) | pB->dwLowDateTime);
    LONGLONG nApart = a - b;
    if (nApart > -nStep && nApart < nStep)
        return 0;
    return nApart < 0 ? -1 : 1;
}

// The step a file system's name promises; 1 (exact) for NTFS, ReFS and
// names it does not know, which a probe then has to tell.
static LONGLONG StepOfFileSystem(LPCWSTR folder)
{
    WCHAR szName[MAX_PATH + 1] = L"";
    HANDLE hFolder = CreateFileW(folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (hFolder == INVALID_HANDLE_VALUE)
        return 1;
    GetVolumeInformationByHandleW(hFolder, NULL, 0, NULL, NULL, NULL, szName, ARRAYSIZE(szName));
    CloseHandle(hFolder);
    if (CompareStringOrdinal(szName, 5, L"exFAT", 5, TRUE) == CSTR_EQUAL)
        return c_nSteps[2];
    if (CompareStringOrdinal(szName, 3, L"FAT", 3, TRUE) == CSTR_EQUAL)
        return c_nSteps[0];
    return 1;
}

// Stamps a temporary file in the destination with the probe's time and
// reads it back: the coarsest step that stored value is a whole multiple
// of, and lies within, is the volume's. The file's name marks it as the
// program's own, so a killed run's probe is swept like any leftover.
static LONGLONG ProbeStep(LPCWSTR folder)
{
    WCHAR szFolder[PATH_BUFFER], szProbe[REPORT_PATH_BUFFER];
    int nAt = StartFolderPath(szFolder, folder);
    if (nAt < 0)
        return 1;
    nAt = StartTempPath(szFolder, nAt, szProbe);
    PutTempName(szProbe + nAt);
    HANDLE hProbe = CreateFileW(szProbe, GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, NULL, CREATE_NEW,
                                FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (hProbe == INVALID_HANDLE_VALUE)
        return 1;  // nothing can be written there: no copy will be, either
    FILETIME ftProbe = {(DWORD)PROBE_TIME, (DWORD)(PROBE_TIME >> 32)}, ftStored;
    // Both times at once: some file systems (FAT through FUSE) ignore one alone.
    BOOL bStored = SetFileTime(hProbe, NULL, &ftProbe, &ftProbe) && GetFileTime(hProbe, NULL, NULL, &ftStored);
    CloseHandle(hProbe);
    if (!bStored)
        return 1;
    LONGLONG nStored = (LONGLONG)(((ULONGLONG)ftStored.dwHighDateTime << 32) | ftStored.dwLowDateTime);
    for (int i = 0; i < (int)ARRAYSIZE(c_nSteps); i++)
    {
        LONGLONG nApart = nStored - PROBE_TIME;
        if (nStored % c_nSteps[i] == 0 && nApart > -c_nSteps[i] && nApart < c_nSteps[i])
            return c_nSteps[i];
    }
    return 1;  // not kept at all: each copy's own check fails it
}

void LearnTimeStep(SYNCPARAM *record)
{
    LONGLONG nSource = StepOfFileSystem(record->szSourceRoot);
    LONGLONG nDest = StepOfFileSystem(record->szDestRoot);
    LONGLONG nProbed = ProbeStep(record->szDestRoot);
    if (nDest < nProbed)
        nDest = nProbed;
    record->nTimeStep = nSource > nDest ? nSource : nDest;
}
