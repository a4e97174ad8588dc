#include "tools/lumoracap/VirtualCameraCommand.h"

#include <wrl/client.h>

#include "mediasource/MediaSourceGuids.h"
#include "tools/lumoracap/Commands.h"
#include "tools/lumoracap/ExitCodes.h"
#include "tools/lumoracap/MediaFoundation.h"
#include "tools/lumoracap/Text.h"
#include "win/Module.h"
#include "win/RegistryKey.h"

using Microsoft::WRL::ComPtr;

const wchar_t kVirtualCameraName[] = L"Lumora Camera";

namespace {

// "{03BFB56A-...}": the media source's class id as the virtual camera and
// the registry name it.
std::wstring MediaSourceClassId()
{
    wchar_t text[40] = {};
    StringFromGUID2(CLSID_LumoraMediaSource, text, 40);
    return text;
}

// The build number of this Windows (RtlGetVersion: GetVersionEx answers an
// unmanifested program with an older version); 0 when it cannot tell.
DWORD WindowsBuild()
{
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW* info);
    const auto getVersion = win::ProcedureOf<RtlGetVersionFunction>(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    return getVersion && getVersion(&info) == 0 ? info.dwBuildNumber : 0;
}

int ReportNotSupported(const vcam::VirtualCameraApi& api, Console& console)
{
    const std::string library = Utf8(vcam::kVirtualCameraLibrary);
    const std::string reason = api.State() == vcam::VirtualCameraApi::Availability::NoFunction
                                   ? library + " has no MFCreateVirtualCamera"
                                   : library + " is not in the system folder";
    const DWORD build = WindowsBuild();
    console.err << "lumoracap: the virtual camera needs Windows 11 (build 22000 or later): " << reason
                << (build ? " (this Windows is build " + std::to_string(build) + ")" : std::string()) << ".\n";
    return kExitNotSupported;
}

bool IsAccessDenied(HRESULT hr)
{
    const DWORD kElevationRequired = 740; // ERROR_ELEVATION_REQUIRED, which these headers lack
    return hr == E_ACCESSDENIED || hr == HRESULT_FROM_WIN32(kElevationRequired);
}

// A failed step of register or unregister, with why.
int ReportFailure(const char* what, HRESULT hr, Console& console)
{
    console.err << "lumoracap: " << what << ": " << DescribeResult(hr) << "\n";
    if (IsAccessDenied(hr)) {
        console.err << "lumoracap: the virtual camera is registered for all users by an administrator: run this as "
                       "administrator. (The system also refuses a media source that lies under a user's profile "
                       "or carries a downloaded-file mark.)\n";
        return kExitAccessDenied;
    }
    return kExitFailure;
}

// The camera object for Lumora Camera's registration: the same arguments
// find the registration that register made.
HRESULT CreateCamera(const vcam::VirtualCameraApi& api, ComPtr<IMFVirtualCamera>* camera)
{
    return api.Create(MFVirtualCameraType_SoftwareCameraSource, MFVirtualCameraLifetime_System,
                      MFVirtualCameraAccess_AllUsers, kVirtualCameraName, MediaSourceClassId().c_str(), nullptr, 0,
                      camera->ReleaseAndGetAddressOf());
}

// Shuts the camera object down when the command is done with it; a camera
// of system lifetime stays registered.
struct CameraShutdown {
    IMFVirtualCamera* camera;
    ~CameraShutdown()
    {
        if (camera) {
            camera->Shutdown();
        }
    }
};

int Register(const vcam::VirtualCameraApi& api, Console& console)
{
    ComPtr<IMFVirtualCamera> camera;
    HRESULT hr = CreateCamera(api, &camera);
    if (FAILED(hr) || !camera) {
        return ReportFailure("the virtual camera could not be created", FAILED(hr) ? hr : E_POINTER, console);
    }
    const CameraShutdown shutdown{camera.Get()};
    hr = camera->Start(nullptr);
    if (FAILED(hr)) {
        return ReportFailure("the virtual camera could not be started", hr, console);
    }
    console.out << "The virtual camera \"" << Utf8(kVirtualCameraName)
                << "\" is registered for all users: Media Foundation applications list it.\n";
    return kExitSuccess;
}

int Unregister(const vcam::VirtualCameraApi& api, Console& console)
{
    ComPtr<IMFVirtualCamera> camera;
    HRESULT hr = CreateCamera(api, &camera);
    if (FAILED(hr) || !camera) {
        return ReportFailure("the virtual camera could not be opened", FAILED(hr) ? hr : E_POINTER, console);
    }
    const CameraShutdown shutdown{camera.Get()};
    hr = camera->Remove();
    if (FAILED(hr)) {
        return ReportFailure("the virtual camera could not be removed", hr, console);
    }
    console.out << "The virtual camera \"" << Utf8(kVirtualCameraName) << "\" is removed.\n";
    return kExitSuccess;
}

// The media source's server in the native registry view (the frame server
// is a native service); empty when the class is not registered there.
std::wstring MediaSourceServer()
{
    win::RegistryKey key;
    const std::wstring path = L"Software\\Classes\\CLSID\\" + MediaSourceClassId() + L"\\InprocServer32";
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.Receive()) !=
        ERROR_SUCCESS) {
        return std::wstring();
    }
    wchar_t server[MAX_PATH + 1] = {};
    DWORD type = 0;
    DWORD size = sizeof(server) - sizeof(wchar_t); // room for a terminator the value may lack
    if (RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(server), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::wstring();
    }
    return server;
}

int Status(const vcam::VirtualCameraApi& api, MediaFoundation& mediaFoundation, Console& console)
{
    const std::wstring server = MediaSourceServer();
    console.out << "Media source: "
                << (server.empty() ? "not registered (setup registers LumoraMediaSource.dll)"
                                   : "registered, " + Utf8(server))
                << "\n";
    if (!api.Available()) {
        console.out << "Virtual camera: not available on this Windows\n";
        return ReportNotSupported(api, console);
    }
    BOOL supported = FALSE;
    const HRESULT supportedResult = api.IsTypeSupported(MFVirtualCameraType_SoftwareCameraSource, &supported);
    console.out << "Virtual camera API: available (" << Utf8(vcam::kVirtualCameraLibrary) << "); software camera "
                << (FAILED(supportedResult) ? "sources: not asked (" + DescribeResult(supportedResult) + ")"
                                            : supported ? std::string("sources supported")
                                                        : std::string("sources not supported"))
                << "\n";
    // The system keeps no list it tells about; a registered, started camera
    // is one Media Foundation lists (under the name given, which the system
    // may lengthen).
    std::vector<std::wstring> devices;
    const HRESULT hr = mediaFoundation.ListVideoCaptureDevices(&devices);
    if (FAILED(hr)) {
        console.out << "Virtual camera: unknown (Media Foundation could not list its cameras: " << DescribeResult(hr)
                    << ")\n";
        return kExitFailure;
    }
    const std::wstring name = kVirtualCameraName;
    for (const std::wstring& device : devices) {
        if (device.compare(0, name.size(), name) == 0) {
            console.out << "Virtual camera: registered; Media Foundation lists it as \"" << Utf8(device) << "\"\n";
            return kExitSuccess;
        }
    }
    console.out << "Virtual camera: not listed by Media Foundation (not registered, or stopped: lumoracap vcam "
                   "register)\n";
    return kExitSuccess;
}

} // namespace

int RunVcam(VcamAction action, const vcam::VirtualCameraApi& api, Console& console)
{
    if (!api.Available() && action != VcamAction::Status) {
        return ReportNotSupported(api, console);
    }
    MediaFoundation mediaFoundation;
    if (api.Available() && FAILED(mediaFoundation.Result())) {
        console.err << "lumoracap: Media Foundation could not be started: " << DescribeResult(mediaFoundation.Result())
                    << "\n";
        return kExitFailure;
    }
    switch (action) {
    case VcamAction::Register:
        return Register(api, console);
    case VcamAction::Unregister:
        return Unregister(api, console);
    case VcamAction::Status:
        break;
    }
    return Status(api, mediaFoundation, console);
}

int ManageVirtualCamera(const Options& options, Console& console)
{
    const vcam::VirtualCameraApi api = vcam::VirtualCameraApi::Load();
    return RunVcam(options.vcamAction, api, console);
}
