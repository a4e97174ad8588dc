#include "camera/StandardControlSettings.h"

#include "win/HResult.h"

HRESULT ReadStandardControl(CCamera& camera, const StandardControl& control, ControlValue* value)
{
    if (!value) {
        return E_POINTER;
    }
    CameraConfig current;
    if (camera.GetConfig(&current) != 1) {
        return E_FAIL;
    }
    *value = control.Read(current);
    return S_OK;
}

HRESULT ChangeStandardControl(CCamera& camera, const StandardControl& control, long value, long flags)
{
    RETURN_IF_FAILED(control.Check(value, flags));
    return ChangeCameraSettingNow(camera, [&](CameraConfig& record) { control.Write(record, value, flags); });
}
