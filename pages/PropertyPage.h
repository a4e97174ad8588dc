// The "Camera Set" property page: exposure, colour, frame speed, mirroring and
// monochrome. Its page window (template 102) is empty; the page places the
// settings dialog (template 103) inside it and handles every control there.
//
// Two paths: moving a control calls the camera SDK at once (live, bypassing
// the filter); Apply reads the dialog into the held record and hands it to
// the filter through ICameraSettings::SetConfig, which stores and applies it.
// Deactivation hands the held record, unchanged, to SetConfig again. The page
// owns every field but m_Format: both write their fields onto the filter's
// current record, so a resolution the "Format" page applied stays. A save
// that failed fails Apply, and the page stays dirty.
//
// Threading: everything runs on the property frame's window thread; the page
// takes no lock. Ownership: the page holds one reference on the object's
// ICameraSettings while connected; the settings dialog is a child of the page
// window and goes with it; its GWLP_USERDATA holds the page (not counted).
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include "camera/CameraConfig.h"
#include "filter/CameraSettings.h"
#include "pages/PropertyPageBase.h"

class PropertyPage : public PropertyPageBase {
public:
    explicit PropertyPage(IUnknown* outer);
    ~PropertyPage() override;

    // Writes a record into the settings dialog's controls.
    void SetToDlg(const CameraConfig* config);
    // Reads the settings dialog's controls into a record.
    void GetFromDlg(CameraConfig* config) const;

    // Dialog procedure of the settings dialog.
    static INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    HRESULT ObjectConnected(IUnknown* object) override;
    HRESULT ObjectDisconnected() override;
    HRESULT PageDeactivated() override;
    HRESULT ApplyChanges() override;
    INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Writes the held record's fields (all but m_Format) onto the filter's
    // current record; the save's result.
    HRESULT StoreHeldSettings();
    void CreateSettingsDialog(HWND pageWindow);
    // True while m_myDlg is this page's live settings dialog (after
    // deactivation it names a destroyed window).
    bool SettingsDialogExists() const;
    void OnSliderNotify(int controlId);
    void OnCommand(WPARAM wParam);
    int SliderPosition(int controlId) const;
    void SetSliderPosition(int controlId, int position);
    void SetSliderRange(int controlId, int minimum, int maximum);
    bool IsChecked(int controlId) const;
    void EnableControl(int controlId, bool enable);

    Microsoft::WRL::ComPtr<ICameraSettings> m_Settings;
    HWND m_myDlg = nullptr;
    DWORD m_CreationTime = 0;
    CameraConfig m_Config;
};

// Creation function for the module's factory table: the new page's
// non-delegating IUnknown, or null with E_OUTOFMEMORY in *hr.
UnknownBase* CreatePropertyPage(IUnknown* outer, HRESULT* hr);
