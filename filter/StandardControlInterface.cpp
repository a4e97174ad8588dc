#include "filter/StandardControlInterface.h"

HRESULT GetStandardControlRange(ControlFamily family, long property, long* minimum, long* maximum, long* step,
                                long* defaultValue, long* capsFlags)
{
    if (!minimum || !maximum || !step || !defaultValue || !capsFlags) {
        return E_POINTER;
    }
    const StandardControl* control = StandardControl::Find(family, property);
    if (!control) {
        return E_PROP_ID_UNSUPPORTED;
    }
    const ControlRange range = control->Range();
    *minimum = range.minimum;
    *maximum = range.maximum;
    *step = range.step;
    *defaultValue = range.defaultValue;
    *capsFlags = range.capsFlags;
    return S_OK;
}

HRESULT GetStandardControl(CCamera& camera, ControlFamily family, long property, long* value, long* flags)
{
    if (!value || !flags) {
        return E_POINTER;
    }
    const StandardControl* control = StandardControl::Find(family, property);
    if (!control) {
        return E_PROP_ID_UNSUPPORTED;
    }
    CameraConfig current;
    if (camera.GetConfig(&current) != 1) {
        return E_FAIL;
    }
    const ControlValue read = control->Read(current);
    *value = read.value;
    *flags = read.flags;
    return S_OK;
}

HRESULT SetStandardControl(CCamera& camera, ControlFamily family, long property, long value, long flags)
{
    const StandardControl* control = StandardControl::Find(family, property);
    if (!control) {
        return E_PROP_ID_UNSUPPORTED;
    }
    const HRESULT checked = control->Check(value, flags);
    if (FAILED(checked)) {
        return checked;
    }
    return ChangeCameraSettingNow(camera, [&](CameraConfig& record) { control->Write(record, value, flags); });
}
