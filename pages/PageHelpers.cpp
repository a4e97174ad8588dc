#include "pages/PageHelpers.h"

#include <objbase.h>

#include <cwchar>

#include "win/Module.h"
#include "win/TaskMemory.h"
#include "win/Window.h"

namespace {
constexpr DWORD kPlatformNt = 2; // VER_PLATFORM_WIN32_NT
} // namespace

wchar_t* LoadResourceString(wchar_t* buffer, int stringId, DWORD platform)
{
    buffer[0] = L'\0';
    if (platform == kPlatformNt) {
        LoadStringW(win::CodeModule(), static_cast<UINT>(stringId), buffer, kResourceStringLength);
    } else {
        char ansi[kResourceStringLength];
        if (LoadStringA(win::CodeModule(), static_cast<UINT>(stringId), ansi, kResourceStringLength) > 0) {
            MultiByteToWideChar(CP_ACP, 0, ansi, -1, buffer, kResourceStringLength);
        }
    }
    return buffer;
}

HRESULT DupWideString(const wchar_t* text, LPOLESTR* copy)
{
    if (!copy) {
        return E_POINTER;
    }
    *copy = win::CopyToTaskMemory(text).release(); // the caller frees it
    return *copy ? S_OK : E_OUTOFMEMORY;
}

int MeasureDialog(int templateId, DLGPROC procedure, LPARAM initialParam, SIZE* size)
{
    const win::UniqueWindow dialog(CreateDialogParamA(win::CodeModule(), MAKEINTRESOURCEA(templateId),
                                                      GetDesktopWindow(), procedure, initialParam));
    if (!dialog) {
        return 0;
    }
    RECT rect = {};
    GetWindowRect(dialog.Get(), &rect);
    size->cx = rect.right - rect.left;
    size->cy = rect.bottom - rect.top;
    return 1;
}

HRESULT ConnectCameraSettings(IUnknown* object, Microsoft::WRL::ComPtr<ICameraSettings>* settings,
                              CameraConfig* config)
{
    Microsoft::WRL::ComPtr<ICameraSettings> found;
    const HRESULT hr = object->QueryInterface(IID_ICameraSettings, reinterpret_cast<void**>(found.GetAddressOf()));
    *settings = found;
    if (*settings) {
        (*settings)->GetConfig(config);
    }
    return hr;
}
