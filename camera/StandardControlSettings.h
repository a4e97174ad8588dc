// The standard controls (camera/StandardControls.h) read from and changed on
// a camera controller: the one path every interface that offers them takes
// (the filter's IAMVideoProcAmp / IAMCameraControl, the media source's
// KS property sets), so a value set through one reads back through the
// others and lands in the controller's settings file.
//
// Threading: any thread, with no lock of the caller's that the controller
// may need (it takes its own, and the settings file is read and written).
#pragma once

#include <windows.h>

#include "camera/Camera.h"
#include "camera/StandardControls.h"

// The control's value in the current record (as CCamera::GetConfig reads
// it: the settings file, then, while open, the camera's live values).
// E_POINTER for a null value; E_FAIL when the record could not be read.
HRESULT ReadStandardControl(CCamera& camera, const StandardControl& control, ControlValue* value);

// Checks value and flags (E_INVALIDARG with nothing changed), then writes
// them through ChangeCameraSettingNow: the save's result, the value applied
// either way, or HRESULT_FROM_WIN32(ERROR_BUSY) with nothing changed while
// another controller of the process has the camera open.
HRESULT ChangeStandardControl(CCamera& camera, const StandardControl& control, long value, long flags);

// A change meant to act on the camera now, through the controller's
// ChangeSettings: the save's result (the value is applied either way), or
// HRESULT_FROM_WIN32(ERROR_BUSY) with nothing changed while another
// controller of the process has the camera open.
template <class Edit>
HRESULT ChangeCameraSettingNow(CCamera& camera, Edit&& edit)
{
    HRESULT saved = E_FAIL;
    const int result = camera.ChangeSettings(edit, &saved, CCamera::WhileHeldElsewhere::Refuse);
    return result == CCamera::kSettingsCameraInUse ? HRESULT_FROM_WIN32(ERROR_BUSY) : saved;
}
