// A run's order, the same for batch mode and the dialog: guard, copy pass,
// a check that the source is still there, removal pass, outcome.
#include "Passes.h"
#include "CopyPool.h"
#include "TimeStep.h"

// What the front end says at a step; without a step procedure every step
// goes on and the removal pass runs as asked at the start.
static BOOL AskStep(RUNSTEP nStep, const SYNCPARAM *record)
{
    if (!record->pfnStep)
        return nStep == STEP_REMOVAL ? record->bRemoval : TRUE;
    return record->pfnStep(nStep, record->pContext);
}

// The source still is the folder the run began with, and can be listed.
// Renamed away or replaced, nothing it lacks proves anything.
static BOOL IsSourceStill(const SYNCPARAM *record)
{
    return IsFolderListable(record->szSourceRoot) && IsSameFolderAs(record->szSourceRoot, &record->idSource);
}

static RUNOUTCOME Refused(SYNCPARAM *record, REFUSAL nRefusal)
{
    if (nRefusal != REFUSED_NONE)
        record->nRefusal = nRefusal;
    return OUTCOME_REFUSED;
}

// The passes, once the guard has passed and the source is held.
static RUNOUTCOME RunPasses(SYNCPARAM *record)
{
    StartCopyPool(record);
    MirrorFolder(record->szSourceRoot, record->szDestRoot, record);
    StopCopyPool(record);
    // Something outside Windows' sharing rules (a Linux program, a share's
    // server) may still have moved it: an unlisted source, or another
    // folder in its place, makes every destination file look extra.
    if (!IsSourceStill(record))
        return Refused(record, REFUSED_SOURCE_GONE);
    // A source inside the destination is never walked by the removal pass,
    // even when removal is asked for only now.
    if (AskStep(STEP_REMOVAL, record) && !record->bDestHoldsSource && !record->bRecordLost)
    {
        PurgeFolder(record->szDestRoot, record->szSourceRoot, record);
        // Gone during the removal pass: it kept what it could no longer check.
        if (!IsSourceStill(record))
            return Refused(record, REFUSED_SOURCE_GONE);
    }
    // A front end that lost its record of the run has deleted nothing since.
    if (record->bRecordLost)
        return Refused(record, REFUSED_LOG);
    return record->nFailures ? OUTCOME_FAILURES : OUTCOME_DONE;
}

RUNOUTCOME SyncFolders(LPCWSTR source, LPCWSTR dest, SYNCPARAM *record)
{
    BOOL bBegun = BeginRun(source, dest, record);
    // Asked even for a refused run, so that the front end can record why.
    if (!AskStep(STEP_BEGIN, record) && bBegun)
        return Refused(record, REFUSED_LOG);
    if (!bBegun)
        return OUTCOME_REFUSED;
    // The source is held for the whole run: no other Windows program can
    // rename it away or put another folder in its place meanwhile.
    HELDFOLDER held;
    if (HoldFolder(record->szSourceRoot, TRUE, &record->idSource, 0, &held) != ERROR_SUCCESS)
        return Refused(record, REFUSED_SOURCE);
    LearnTimeStep(record);
    RUNOUTCOME nOutcome = RunPasses(record);
    ReleaseFolder(&held);
    return nOutcome;
}
