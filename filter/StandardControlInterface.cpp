#include "filter/StandardControlInterface.h"

#include "win/HResult.h"

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
    ControlValue read = {};
    RETURN_IF_FAILED(ReadStandardControl(camera, *control, &read));
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
    return ChangeStandardControl(camera, *control, value, flags);
}
