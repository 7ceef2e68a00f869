// Rows on their way from the run worker to the results list.
#ifndef LUNVEX_ROWQUEUE_H
#define LUNVEX_ROWQUEUE_H

#include "../engine/SyncParam.h"

// The dialog's thread owns the results list; the worker must never wait for
// it to paint. Rows go into a queue in the worker's frame, in two halves: the
// worker fills one while the dialog appends the other, on its paint timer or
// when the worker's half is full.
#define ROW_BATCH 64

typedef struct tagPENDINGROW
{
    RESULTCODE nCode;
    BOOL bDated;      // ftTime holds the file's time; otherwise the row shows none
    FILETIME ftTime;  // UTC
    WCHAR szPath[REPORT_PATH_BUFFER];
} PENDINGROW;

typedef struct tagROWQUEUE
{
    HWND hDlg;              // the dialog whose list shows the rows
    CRITICAL_SECTION lock;  // guards iFilling and the filling half's count
    int iFilling;           // the half the worker fills; the other is the dialog's
    int nRows[2];
    PENDINGROW rows[2][ROW_BATCH];
} ROWQUEUE;

// Messages from the worker to the dialog: a run begins (lParam is its
// queue, which the dialog keeps until the run ends; the list is emptied);
// take the worker's half, which is full or ends a pass; the run is over
// (every row shown, the newest selected and in view). And from the dialog
// to itself: append the half it took.
#define WM_ROWQUEUE_OPEN (WM_APP + 1)
#define WM_ROWQUEUE_TAKE (WM_APP + 2)
#define WM_ROWQUEUE_CLOSE (WM_APP + 3)
#define WM_ROWQUEUE_APPEND (WM_APP + 4)

// The dialog's timer that appends and paints queued rows during a run.
#define IDT_ROWQUEUE_PAINT 1

// The worker's side. AddResult is the run's results procedure, its
// context the queue.
void InitRowQueue(ROWQUEUE *queue, HWND hDlg);
void QueueRow(ROWQUEUE *queue, RESULTCODE nCode, const FILETIME *pTime, LPCWSTR path);
BOOL CALLBACK AddResult(RESULTCODE nCode, LPCWSTR path, const FILETIME *pTime, DWORD dwError, void *pContext);

// The dialog's side, one function per message above and one for the timer.
void OpenRowQueue(HWND hDlg, ROWQUEUE *queue);
void TakeQueuedRows(HWND hDlg);
void AppendQueuedRows(HWND hDlg);
void PaintQueuedRows(HWND hDlg);
void CloseRowQueue(HWND hDlg);

#endif
