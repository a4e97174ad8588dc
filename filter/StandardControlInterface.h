// IAMVideoProcAmp and IAMCameraControl of the camera filter: the standard
// controls of camera/StandardControls.h on the filter's camera controller.
// The two interfaces have methods of the same names and signatures, so each
// is a part of its own inside the filter (one class, instantiated per
// interface), whose IUnknown is the filter's owner.
//
// GetRange reports the control's range, step, default and caps flags. Get
// reads the current record as ICameraSettings::GetConfig does (the settings
// file, then, while open, the camera's live values). Set checks the value and
// flags, then changes the field through the controller's ChangeSettings
// (camera/StandardControlSettings.h):
// applied to the camera at once under the controller's lock when this
// filter has it open (a closed camera starts with it at the next open), and
// kept in the settings file like a page's Apply; while another filter of the
// process has the camera open, Set changes nothing and gives
// HRESULT_FROM_WIN32(ERROR_BUSY). A property the camera does not have gives
// E_PROP_ID_UNSUPPORTED, a null pointer E_POINTER, a value outside the range
// or flags that are not one of the caps flags E_INVALIDARG with nothing
// changed, and a save that failed the save's failure (the value is applied).
//
// Threading: any thread, with no lock of the filter held (the controller
// takes its own, and the settings file is read and written); never under
// StateLock. Ownership: a part lives in the filter and holds no reference;
// its AddRef and Release count on the filter's owner.
#pragma once

#include <dshow.h>

#include "camera/Camera.h"
#include "camera/StandardControlSettings.h"
#include "camera/StandardControls.h"
#include "framework/UnknownBase.h"

HRESULT GetStandardControlRange(ControlFamily family, long property, long* minimum, long* maximum, long* step,
                                long* defaultValue, long* capsFlags);
HRESULT GetStandardControl(CCamera& camera, ControlFamily family, long property, long* value, long* flags);
HRESULT SetStandardControl(CCamera& camera, ControlFamily family, long property, long value, long flags);

template <class Interface, ControlFamily kFamily>
class StandardControlInterface final : public Interface {
public:
    StandardControlInterface(IUnknown* owner, CCamera* camera) : m_Owner(owner), m_Camera(camera) {}
    StandardControlInterface(const StandardControlInterface&) = delete;
    StandardControlInterface& operator=(const StandardControlInterface&) = delete;

    FORWARD_IUNKNOWN_TO(m_Owner)

    HRESULT STDMETHODCALLTYPE GetRange(LONG property, LONG* minimum, LONG* maximum, LONG* step, LONG* defaultValue,
                                       LONG* capsFlags) override
    {
        return GetStandardControlRange(kFamily, property, minimum, maximum, step, defaultValue, capsFlags);
    }
    HRESULT STDMETHODCALLTYPE Set(LONG property, LONG value, LONG flags) override
    {
        return SetStandardControl(*m_Camera, kFamily, property, value, flags);
    }
    HRESULT STDMETHODCALLTYPE Get(LONG property, LONG* value, LONG* flags) override
    {
        return GetStandardControl(*m_Camera, kFamily, property, value, flags);
    }

private:
    IUnknown* const m_Owner; // the filter's owner, not counted
    CCamera* const m_Camera; // the filter's
};

using VideoProcAmpInterface = StandardControlInterface<IAMVideoProcAmp, ControlFamily::VideoProcAmp>;
using CameraControlInterface = StandardControlInterface<IAMCameraControl, ControlFamily::CameraControl>;
