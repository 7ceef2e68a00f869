// How the passes hand each result to the front end.
#ifndef LUNVEX_REPORT_H
#define LUNVEX_REPORT_H

#include "Copies.h"

// Reports one result: handed on after any copy still being made before it.
void ReportResult(RESULTCODE nCode, const FILETIME *pTime, LPCWSTR path, DWORD dwError, SYNCPARAM *record);
// The same for a listed entry of folder (its first nAt characters), shown
// with its whole path however long.
void ReportEntry(RESULTCODE nCode, LPCWSTR folder, int nAt, const WIN32_FIND_DATAW *pfd, DWORD dwError,
                 SYNCPARAM *record);

// Hands one result to the record's results procedure and counts failures.
// A procedure that can no longer keep the record stops further deletions.
void DeliverResult(RESULTCODE nCode, const FILETIME *pTime, LPCWSTR path, DWORD dwError, SYNCPARAM *record);
// The rows of one copy that was made, or tried: copied, failed, or, for a
// destination file that changed meanwhile, a conflict (the source first).
void DeliverCopy(const COPYJOB *job, const FILETIME *pftSource, DWORD dwError, const FILETIME *pftDestNow,
                 SYNCPARAM *record);

#endif
