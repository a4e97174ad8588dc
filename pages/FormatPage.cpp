#include "pages/FormatPage.h"

#include <commctrl.h>

#include "pages/PageHelpers.h"
#include "resources/resource.h"

FormatPage::FormatPage(IUnknown* outer) : PropertyPageBase(L"Format Page", outer, IDD_FORMAT_PAGE, IDS_FORMAT_TITLE)
{
    InitCommonControls();
}

UnknownBase* CreateFormatPage(IUnknown* outer, HRESULT* hr)
{
    return CreatePageObject<FormatPage>(outer, hr);
}

HRESULT FormatPage::ObjectConnected(IUnknown* object)
{
    // A second connection replaces the first object's interface.
    return ConnectCameraSettings(object, &m_Settings, &m_Config);
}

HRESULT FormatPage::ObjectDisconnected()
{
    m_Settings.Reset();
    return S_OK;
}

HRESULT FormatPage::ApplyChanges()
{
    // After deactivation the page window is gone, and all its buttons would
    // read as unchecked (resolution 0): the held record goes out unchanged.
    if (DialogExists()) {
        GetFromDlg(&m_Config);
    }
    // Only the format part is this page's: the camera's settings may have
    // changed live on the "Camera Set" page meanwhile.
    return StoreOwnFields(m_Settings.Get(), [this](CameraConfig& current) { current.m_Format = m_Config.m_Format; });
}

INT_PTR FormatPage::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetToDlg(&m_Config);
    } else if (message == WM_COMMAND) {
        MarkDirty();
    }
    return PropertyPageBase::HandleMessage(window, message, wParam, lParam);
}

void FormatPage::SetToDlg(const CameraConfig* config)
{
    int checked = IDC_RES_FULL;
    switch (config->m_Format.m_Resolution) {
    case 1:
        checked = IDC_RES_2BIN;
        break;
    case 2:
        checked = IDC_RES_4BIN;
        break;
    default:
        break;
    }
    // The page window handle is not known yet during WM_INITDIALOG; the
    // dialog window recorded by the frame is.
    CheckRadioButton(DialogWindow(), IDC_RES_FULL, IDC_RES_640X480, checked);
}

void FormatPage::GetFromDlg(CameraConfig* config) const
{
    HWND dialog = DialogWindow();
    if (IsDlgButtonChecked(dialog, IDC_RES_FULL) == BST_CHECKED) {
        config->m_Format.m_Resolution = 0;
    } else if (IsDlgButtonChecked(dialog, IDC_RES_2BIN) == BST_CHECKED) {
        config->m_Format.m_Resolution = 1;
    } else if (IsDlgButtonChecked(dialog, IDC_RES_4BIN) == BST_CHECKED) {
        config->m_Format.m_Resolution = 2;
    } else {
        config->m_Format.m_Resolution = 0;
    }
}

bool FormatPage::DialogExists() const
{
    HWND dialog = DialogWindow();
    return dialog && IsWindow(dialog) &&
           GetWindowLongPtrA(dialog, DWLP_USER) ==
               reinterpret_cast<LONG_PTR>(static_cast<const PropertyPageBase*>(this));
}
