// Rows on their way from the run worker to the results list: the worker
// fills the queue, the dialog's thread drains it.
#include <windows.h>
#include "Dialog.h"
#include "RowQueue.h"
#include "../res/resource.h"

// How often the list is painted while a run goes. Painting is what costs
// (tens of milliseconds a paint under Wine), so the list stays frozen
// between paints.
#define ROWQUEUE_PAINT_MS 200

// The queue of the run in progress hangs on the dialog window, so that the
// run record carries nothing of the dialog's.
static const WCHAR c_szQueueProp[] = L"Lunvex.RowQueue";

static ROWQUEUE *QueueOf(HWND hDlg)
{
    return (ROWQUEUE *)GetPropW(hDlg, c_szQueueProp);
}

void InitRowQueue(ROWQUEUE *queue, HWND hDlg)
{
    queue->hDlg = hDlg;
    InitializeCriticalSection(&queue->lock);
    queue->iFilling = 0;
    queue->nRows[0] = queue->nRows[1] = 0;
}

// Runs on the worker. The row is copied into the queue, so the passes may
// reuse their buffers at once; only when the worker's half is full does it
// wait, for the dialog to take the half (not to append it).
void QueueRow(ROWQUEUE *queue, RESULTCODE nCode, const FILETIME *pTime, LPCWSTR path)
{
    EnterCriticalSection(&queue->lock);
    if (queue->nRows[queue->iFilling] == ROW_BATCH)
    {
        LeaveCriticalSection(&queue->lock);
        SendMessageW(queue->hDlg, WM_ROWQUEUE_TAKE, 0, 0);
        EnterCriticalSection(&queue->lock);
    }
    PENDINGROW *row = &queue->rows[queue->iFilling][queue->nRows[queue->iFilling]++];
    row->nCode = nCode;
    row->bDated = pTime != NULL;
    if (pTime)
        row->ftTime = *pTime;
    lstrcpynW(row->szPath, path, ARRAYSIZE(row->szPath));
    LeaveCriticalSection(&queue->lock);
}

// The list shows no error codes; the row's picture says it failed.
BOOL CALLBACK AddResult(RESULTCODE nCode, LPCWSTR path, const FILETIME *pTime, DWORD dwError, void *pContext)
{
    QueueRow((ROWQUEUE *)pContext, nCode, pTime, path);
    return TRUE;
}

void OpenRowQueue(HWND hDlg, ROWQUEUE *queue)
{
    HWND hList = GetDlgItem(hDlg, IDC_RESULTS);
    SendMessageW(hList, WM_SETREDRAW, FALSE, 0);
    SendMessageW(hList, LVM_DELETEALLITEMS, 0, 0);
    SetPropW(hDlg, c_szQueueProp, queue);
    SetTimer(hDlg, IDT_ROWQUEUE_PAINT, ROWQUEUE_PAINT_MS, NULL);
}

// Appends the half the dialog has taken from the worker, if any rows wait there.
static void AppendTakenRows(HWND hDlg, ROWQUEUE *queue)
{
    HWND hList = GetDlgItem(hDlg, IDC_RESULTS);
    int iTaken = 1 - queue->iFilling;  // only this thread changes iFilling
    for (int i = 0; i < queue->nRows[iTaken]; i++)
    {
        const PENDINGROW *row = &queue->rows[iTaken][i];
        AppendResultRow(hList, row->nCode, row->bDated ? &row->ftTime : NULL, row->szPath);
    }
    queue->nRows[iTaken] = 0;
}

// Gives the worker the empty half and takes the one it was filling.
static void SwapHalves(ROWQUEUE *queue)
{
    EnterCriticalSection(&queue->lock);
    queue->iFilling = 1 - queue->iFilling;
    LeaveCriticalSection(&queue->lock);
}

void TakeQueuedRows(HWND hDlg)
{
    ROWQUEUE *queue = QueueOf(hDlg);
    if (!queue)
        return;
    // The worker waits here only while the dialog is a whole half behind.
    AppendTakenRows(hDlg, queue);
    SwapHalves(queue);
    PostMessageW(hDlg, WM_ROWQUEUE_APPEND, 0, 0);
}

void AppendQueuedRows(HWND hDlg)
{
    ROWQUEUE *queue = QueueOf(hDlg);
    if (!queue)
        return;
    AppendTakenRows(hDlg, queue);
    SwapHalves(queue);
    AppendTakenRows(hDlg, queue);
}

void PaintQueuedRows(HWND hDlg)
{
    if (!QueueOf(hDlg))
        return;
    AppendQueuedRows(hDlg);
    HWND hList = GetDlgItem(hDlg, IDC_RESULTS);
    ShowNewestRow(hList, TRUE);
    SendMessageW(hList, WM_SETREDRAW, FALSE, 0);
}

void CloseRowQueue(HWND hDlg)
{
    if (!QueueOf(hDlg))
        return;
    AppendQueuedRows(hDlg);
    KillTimer(hDlg, IDT_ROWQUEUE_PAINT);
    RemovePropW(hDlg, c_szQueueProp);
    ShowNewestRow(GetDlgItem(hDlg, IDC_RESULTS), FALSE);
}
