#include "calib_guard.h"

#include <windows.h>

#include "calib_draw.h"
#include "resource.h"
#include "tq_calib_guard.h"

// Long enough for the service to write back at its start; a second calibration is refused.
static const DWORD LockWait = 3000;

static HANDLE g_lock = NULL;

bool ClaimCalibration()
{
    if (g_lock == NULL)
        g_lock = AcquireCalibrationLock(LockWait);
    if (g_lock == NULL) {
        ShowError(NULL, IDS_LOAD_FAILED, GetLastError());
        return false;
    }
    if (!WriteBackKeptSettings()) {
        ShowError(NULL, IDS_RESTORE_FAILED, GetLastError());
        return false;
    }
    return true;
}

void ReleaseCalibration()
{
    ReleaseCalibrationLock(g_lock);
    g_lock = NULL;
}
