// The "Format" property page: the camera's resolution mode, m_Resolution of
// the settings record. Its page window is dialog template 104 itself. The page
// calls no camera function: a choice reaches the filter only on Apply, through
// ICameraSettings::SetConfig, and takes effect when the camera is next opened.
// The page owns m_Format of the record: Apply writes that part onto the
// filter's current record and leaves the rest as the filter has it. A save
// that failed fails Apply, and the page stays dirty.
//
// Threading: runs on the property frame's window thread; no lock. Ownership:
// the page holds one reference on the object's ICameraSettings while connected.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include "camera/CameraConfig.h"
#include "filter/CameraSettings.h"
#include "pages/PropertyPageBase.h"

class FormatPage : public PropertyPageBase {
public:
    explicit FormatPage(IUnknown* outer);

    // Checks the radio button of config's resolution (1045 for any value
    // other than 0, 1, 2) on the page's dialog window.
    void SetToDlg(const CameraConfig* config);
    // Sets config's m_Resolution from the radio buttons; nothing else changes.
    void GetFromDlg(CameraConfig* config) const;

protected:
    HRESULT ObjectConnected(IUnknown* object) override;
    HRESULT ObjectDisconnected() override;
    HRESULT ApplyChanges() override;
    INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // True while the recorded dialog window is this page's live window.
    bool DialogExists() const;

    Microsoft::WRL::ComPtr<ICameraSettings> m_Settings;
    CameraConfig m_Config;
};

// Creation function for the module's factory table: the new page's
// non-delegating IUnknown, or null with E_OUTOFMEMORY in *hr.
UnknownBase* CreateFormatPage(IUnknown* outer, HRESULT* hr);
