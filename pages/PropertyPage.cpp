#include "pages/PropertyPage.h"

#include <commctrl.h>

#include <cstdio>

#include "camera/CameraSdkLoader.h"
#include "camera/SettingsTables.h"
#include "pages/PageHelpers.h"
#include "resources/resource.h"

namespace {

// Slider notifications during the first second after the settings dialog was
// created come from its first painting, not from the user: they reach the
// camera but leave the page clean.
constexpr DWORD kSettleTimeMs = 1000;
// How long the camera gets to finish a one-shot white balance.
constexpr DWORD kWhiteBalanceWaitMs = 200;
// The settings dialog is placed this much narrower and shorter than the page.
constexpr int kDialogWidthMargin = 6;
constexpr int kDialogHeightMargin = 50;

// "%5.2f" of value / divisor, as the gain and gamma labels show it.
void SetScaledLabel(HWND dialog, int labelId, int value, double divisor)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%5.2f", value / divisor);
    SetDlgItemTextA(dialog, labelId, text);
}

} // namespace

PropertyPage::PropertyPage(IUnknown* outer)
    : PropertyPageBase(L"Property Page", outer, IDD_CAMERA_SET_PAGE, IDS_CAMERA_SET_TITLE)
{
    // Registers the trackbar class before any dialog is created.
    InitCommonControls();
}

PropertyPage::~PropertyPage()
{
    // The settings dialog may outlive the page when the frame never
    // deactivated it; it must not reach the freed page any more.
    if (SettingsDialogExists()) {
        SetWindowLongPtrA(m_myDlg, GWLP_USERDATA, 0);
    }
}

UnknownBase* CreatePropertyPage(IUnknown* outer, HRESULT* hr)
{
    return CreatePageObject<PropertyPage>(outer, hr);
}

HRESULT PropertyPage::ObjectConnected(IUnknown* object)
{
    // A second connection replaces the first object's interface.
    return ConnectCameraSettings(object, &m_Settings, &m_Config);
}

HRESULT PropertyPage::ObjectDisconnected()
{
    m_Settings.Reset();
    return S_OK;
}

HRESULT PropertyPage::PageDeactivated()
{
    return StoreHeldSettings();
}

HRESULT PropertyPage::ApplyChanges()
{
    // After deactivation the dialog is gone: the held record goes out
    // unchanged rather than what a destroyed window's controls would read.
    if (SettingsDialogExists()) {
        GetFromDlg(&m_Config);
    }
    return StoreHeldSettings();
}

HRESULT PropertyPage::StoreHeldSettings()
{
    // Everything but the format part is this page's; the format may have
    // been applied on the "Format" page meanwhile.
    return StoreOwnFields(m_Settings.Get(), [this](CameraConfig& current) {
        const CameraConfig::FormatSettings format = current.m_Format;
        current = m_Config;
        current.m_Format = format;
    });
}

INT_PTR PropertyPage::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        CreateSettingsDialog(window);
    }
    return PropertyPageBase::HandleMessage(window, message, wParam, lParam);
}

void PropertyPage::CreateSettingsDialog(HWND pageWindow)
{
    auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(pageWindow, GWLP_HINSTANCE));
    m_myDlg = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_CAMERA_SETTINGS), pageWindow,
                                 &PropertyPage::SettingsDialogProc, 0);
    if (!m_myDlg) {
        return; // the page window stays empty
    }
    // The WM_INITDIALOG of the creation itself found no page and was ignored;
    // the one sent below fills the controls.
    SetWindowLongPtrA(m_myDlg, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    RECT client = {};
    GetClientRect(pageWindow, &client);
    m_CreationTime = GetTickCount();
    SendMessageA(m_myDlg, WM_INITDIALOG, 0, 0);
    MoveWindow(m_myDlg, client.left, client.top, client.right - client.left - kDialogWidthMargin,
               client.bottom - client.top - kDialogHeightMargin, TRUE);
    ShowWindow(m_myDlg, SW_SHOW);
}

bool PropertyPage::SettingsDialogExists() const
{
    return m_myDlg && IsWindow(m_myDlg) &&
           GetWindowLongPtrA(m_myDlg, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(this);
}

INT_PTR CALLBACK PropertyPage::SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/)
{
    auto* page = reinterpret_cast<PropertyPage*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
    if (!page) {
        return TRUE;
    }
    switch (message) {
    case WM_INITDIALOG:
        page->SetToDlg(&page->m_Config);
        return TRUE;
    case WM_NOTIFY:
        // Every notification of a slider (also those of painting and of
        // releasing the mouse) applies its value; WM_HSCROLL is not used.
        page->OnSliderNotify(static_cast<int>(wParam));
        return TRUE;
    case WM_COMMAND:
        page->OnCommand(wParam);
        return TRUE;
    default:
        return FALSE;
    }
}

void PropertyPage::OnSliderNotify(int controlId)
{
    const CameraSdk& sdk = GetCameraSdk();
    const int position = SliderPosition(controlId);
    switch (controlId) {
    case IDC_AE_TARGET:
        SetDlgItemInt(m_myDlg, IDC_AE_TARGET_VALUE, static_cast<UINT>(position), FALSE);
        sdk.CameraSetAeTarget(static_cast<unsigned char>(position));
        break;
    case IDC_ISO:
        SetDlgItemInt(m_myDlg, IDC_ISO_VALUE, static_cast<UINT>(position * 100), FALSE);
        sdk.CameraSetAnalogGain(IsoStepToGain(position));
        break;
    case IDC_EXPOSURE_TIME: {
        // Only the label: the camera gets the time on "Restart" or Apply.
        char text[32];
        std::snprintf(text, sizeof(text), "%d ms", static_cast<int>(ExposureTimeAt(position)));
        SetDlgItemTextA(m_myDlg, IDC_EXPOSURE_TIME_VALUE, text);
        break;
    }
    case IDC_SATURATION:
        SetDlgItemInt(m_myDlg, IDC_SATURATION_VALUE, static_cast<UINT>(position), FALSE);
        sdk.CameraSetSaturation(static_cast<unsigned char>(position));
        break;
    case IDC_CONTRAST:
        SetDlgItemInt(m_myDlg, IDC_CONTRAST_VALUE, static_cast<UINT>(position), FALSE);
        sdk.CameraSetContrast(static_cast<unsigned char>(position));
        break;
    case IDC_GAMMA:
        SetScaledLabel(m_myDlg, IDC_GAMMA_VALUE, position, 100.0);
        sdk.CameraSetGamma(static_cast<unsigned char>(position));
        break;
    case IDC_GAIN_R:
    case IDC_GAIN_G:
    case IDC_GAIN_B: {
        const int red = SliderPosition(IDC_GAIN_R);
        const int green = SliderPosition(IDC_GAIN_G);
        const int blue = SliderPosition(IDC_GAIN_B);
        SetScaledLabel(m_myDlg, IDC_GAIN_R_VALUE, red, 64.0);
        SetScaledLabel(m_myDlg, IDC_GAIN_G_VALUE, green, 64.0);
        SetScaledLabel(m_myDlg, IDC_GAIN_B_VALUE, blue, 64.0);
        sdk.CameraSetGain(static_cast<unsigned short>(red), static_cast<unsigned short>(green),
                          static_cast<unsigned short>(blue));
        break;
    }
    default:
        return;
    }
    if (GetTickCount() - m_CreationTime > kSettleTimeMs) {
        MarkDirty();
    }
}

void PropertyPage::OnCommand(WPARAM wParam)
{
    MarkDirty();
    const CameraSdk& sdk = GetCameraSdk();
    // The whole wParam: only clicks (notification code 0) reach a handler.
    switch (wParam) {
    case IDC_RESTART:
        sdk.CameraSetExposureTimeMS(ExposureTimeAt(SliderPosition(IDC_EXPOSURE_TIME)));
        sdk.CameraRestartLongExposure(1);
        break;
    case IDC_AE_ENABLE: {
        const bool on = IsChecked(IDC_AE_ENABLE);
        sdk.CameraSetAeState(on ? 1 : 0);
        if (!on) {
            // Manual exposure starts from what the camera uses now. Without a
            // camera nothing is written, and the sliders keep their values.
            unsigned short gain = IsoStepToGain(SliderPosition(IDC_ISO));
            sdk.CameraGetAnalogGain(&gain);
            SetSliderPosition(IDC_ISO, GainToIsoStep(gain & 0xFFFF));
            unsigned int milliseconds = ExposureTimeAt(SliderPosition(IDC_EXPOSURE_TIME));
            sdk.CameraGetExposureTimeMS(&milliseconds);
            SetSliderPosition(IDC_EXPOSURE_TIME, ExposureTimeToStep(milliseconds));
        }
        EnableControl(IDC_AE_TARGET, on);
        EnableControl(IDC_AE_TARGET_VALUE, on);
        EnableControl(IDC_ISO, !on);
        EnableControl(IDC_ISO_VALUE, !on);
        EnableControl(IDC_EXPOSURE_TIME, !on);
        EnableControl(IDC_EXPOSURE_TIME_VALUE, !on);
        break;
    }
    case IDC_AUTO_WHITE_BALANCE: {
        sdk.CameraSetAWBState(1);
        Sleep(kWhiteBalanceWaitMs);
        int red = SliderPosition(IDC_GAIN_R);
        int green = SliderPosition(IDC_GAIN_G);
        int blue = SliderPosition(IDC_GAIN_B);
        sdk.CameraGetGain(&red, &green, &blue);
        SetSliderPosition(IDC_GAIN_R, red);
        SetSliderPosition(IDC_GAIN_G, green);
        SetSliderPosition(IDC_GAIN_B, blue);
        break;
    }
    case IDC_ENHANCEMENT_ENABLE: {
        const bool on = IsChecked(IDC_ENHANCEMENT_ENABLE);
        sdk.CameraSetColorEnhancement(on ? 1 : 0);
        EnableControl(IDC_SATURATION, on);
        EnableControl(IDC_SATURATION_VALUE, on);
        break;
    }
    case IDC_SPEED_NORMAL:
        sdk.CameraSetFrameSpeed(kFrameSpeedNormal);
        break;
    case IDC_SPEED_HIGH:
        sdk.CameraSetFrameSpeed(kFrameSpeedHigh);
        break;
    case IDC_HFLIP:
        sdk.CameraSetMirror(kMirrorHorizontal, IsChecked(IDC_HFLIP) ? 1 : 0);
        break;
    case IDC_VFLIP:
        sdk.CameraSetMirror(kMirrorVertical, IsChecked(IDC_VFLIP) ? 1 : 0);
        break;
    case IDC_MONO:
        sdk.CameraSetMonochrome(IsChecked(IDC_MONO) ? 1 : 0);
        break;
    case IDC_DEFAULT:
        // No camera call: the sliders send their values when they next
        // report, the switches reach the camera on Apply.
        LoadPageDefaults(&m_Config);
        SetToDlg(&m_Config);
        break;
    default:
        break;
    }
}

void PropertyPage::SetToDlg(const CameraConfig* config)
{
    const bool autoExposure = config->m_Exposure.m_AeState != 0;
    CheckDlgButton(m_myDlg, IDC_AE_ENABLE, autoExposure ? BST_CHECKED : BST_UNCHECKED);

    SetSliderRange(IDC_AE_TARGET, kAeTargetRange.minimum, kAeTargetRange.maximum);
    SetSliderPosition(IDC_AE_TARGET, config->m_Exposure.m_Target);
    EnableControl(IDC_AE_TARGET, autoExposure);
    EnableControl(IDC_AE_TARGET_VALUE, autoExposure);

    SetSliderRange(IDC_ISO, 1, kIsoSteps);
    SetSliderPosition(IDC_ISO, GainToIsoStep(config->m_Exposure.m_AnalogGain));
    EnableControl(IDC_ISO, !autoExposure);
    EnableControl(IDC_ISO_VALUE, !autoExposure);

    SetSliderRange(IDC_EXPOSURE_TIME, 0, kExposureTimeSteps - 1);
    SetSliderPosition(IDC_EXPOSURE_TIME, ExposureTimeToStep(config->m_Exposure.m_ExposureTimeMS));
    EnableControl(IDC_EXPOSURE_TIME, !autoExposure);
    EnableControl(IDC_EXPOSURE_TIME_VALUE, !autoExposure);

    SetSliderRange(IDC_GAIN_R, kColourGainRange.minimum, kColourGainRange.maximum);
    SetSliderPosition(IDC_GAIN_R, config->m_Color.m_GainR);
    SetSliderRange(IDC_GAIN_G, kColourGainRange.minimum, kColourGainRange.maximum);
    SetSliderPosition(IDC_GAIN_G, config->m_Color.m_GainG);
    SetSliderRange(IDC_GAIN_B, kColourGainRange.minimum, kColourGainRange.maximum);
    SetSliderPosition(IDC_GAIN_B, config->m_Color.m_GainB);

    SetSliderRange(IDC_GAMMA, kGammaRange.minimum, kGammaRange.maximum);
    SetSliderPosition(IDC_GAMMA, config->m_Color.m_Gamma);
    SetSliderRange(IDC_CONTRAST, kContrastRange.minimum, kContrastRange.maximum);
    SetSliderPosition(IDC_CONTRAST, config->m_Color.m_Contrast);

    const bool enhancement = config->m_Color.m_ColorEnhancement != 0;
    CheckDlgButton(m_myDlg, IDC_ENHANCEMENT_ENABLE, enhancement ? BST_CHECKED : BST_UNCHECKED);
    SetSliderRange(IDC_SATURATION, kSaturationRange.minimum, kSaturationRange.maximum);
    SetSliderPosition(IDC_SATURATION, config->m_Color.m_Saturation);
    EnableControl(IDC_SATURATION, enhancement);
    EnableControl(IDC_SATURATION_VALUE, enhancement);

    CheckRadioButton(m_myDlg, IDC_SPEED_NORMAL, IDC_SPEED_HIGH,
                     config->m_FrameSpeed == kFrameSpeedNormal ? IDC_SPEED_NORMAL : IDC_SPEED_HIGH);

    CheckDlgButton(m_myDlg, IDC_VFLIP, config->m_VMirror ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(m_myDlg, IDC_HFLIP, config->m_HMirror ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(m_myDlg, IDC_MONO, config->m_Monochrome ? BST_CHECKED : BST_UNCHECKED);
}

void PropertyPage::GetFromDlg(CameraConfig* config) const
{
    config->m_Exposure.m_AeState = IsChecked(IDC_AE_ENABLE) ? 1 : 0;
    config->m_Exposure.m_Target = static_cast<uint8_t>(SliderPosition(IDC_AE_TARGET));
    config->m_Exposure.m_AnalogGain = IsoStepToGain(SliderPosition(IDC_ISO));
    config->m_Exposure.m_ExposureTimeMS = ExposureTimeAt(SliderPosition(IDC_EXPOSURE_TIME));
    config->m_Color.m_GainR = SliderPosition(IDC_GAIN_R);
    config->m_Color.m_GainG = SliderPosition(IDC_GAIN_G);
    config->m_Color.m_GainB = SliderPosition(IDC_GAIN_B);
    config->m_Color.m_Gamma = static_cast<uint8_t>(SliderPosition(IDC_GAMMA));
    config->m_Color.m_Contrast = static_cast<uint8_t>(SliderPosition(IDC_CONTRAST));
    config->m_Color.m_ColorEnhancement = IsChecked(IDC_ENHANCEMENT_ENABLE) ? 1 : 0;
    config->m_Color.m_Saturation = static_cast<uint8_t>(SliderPosition(IDC_SATURATION));
    config->m_FrameSpeed = IsChecked(IDC_SPEED_NORMAL) ? kFrameSpeedNormal : kFrameSpeedHigh;
    config->m_VMirror = IsChecked(IDC_VFLIP) ? 1 : 0;
    config->m_HMirror = IsChecked(IDC_HFLIP) ? 1 : 0;
    config->m_Monochrome = IsChecked(IDC_MONO) ? 1 : 0;
}

int PropertyPage::SliderPosition(int controlId) const
{
    return static_cast<int>(SendDlgItemMessageA(m_myDlg, controlId, TBM_GETPOS, 0, 0));
}

void PropertyPage::SetSliderPosition(int controlId, int position)
{
    SendDlgItemMessageA(m_myDlg, controlId, TBM_SETPOS, TRUE, position);
}

void PropertyPage::SetSliderRange(int controlId, int minimum, int maximum)
{
    SendDlgItemMessageA(m_myDlg, controlId, TBM_SETRANGE, TRUE, MAKELPARAM(minimum, maximum));
}

bool PropertyPage::IsChecked(int controlId) const
{
    return IsDlgButtonChecked(m_myDlg, controlId) == BST_CHECKED;
}

void PropertyPage::EnableControl(int controlId, bool enable)
{
    EnableWindow(GetDlgItem(m_myDlg, controlId), enable ? TRUE : FALSE);
}
