// The Windows 11 virtual camera API, which the platform headers of this
// toolchain do not declare: MFCreateVirtualCamera and its enumerations, and
// the IMFVirtualCamera interface it returns, declared here with the
// platform's own names, values and method order. The functions live in
// mfsensorgroup.dll (Windows build 22000 and later) and are loaded at run
// time: a program that imported them would not start on older Windows.
#pragma once

#include <windows.h>
#include <devpropdef.h>
#include <mfidl.h>
#include <mfobjects.h>

#include "win/Module.h"

// 32-bit enumerations, values in declaration order.
enum MFVirtualCameraType {
    MFVirtualCameraType_SoftwareCameraSource = 0,
};

enum MFVirtualCameraLifetime {
    MFVirtualCameraLifetime_Session = 0, // gone when the object is released or shut down
    MFVirtualCameraLifetime_System = 1,  // persists across sessions and restarts
};

enum MFVirtualCameraAccess {
    MFVirtualCameraAccess_CurrentUser = 0,
    MFVirtualCameraAccess_AllUsers = 1, // needs administrator rights
};

// Only ever passed by pointer here; never called.
struct IMFCameraSyncObject;

// A virtual camera: its registration (Start, Stop, Remove) and a way to
// talk to the media source the frame server made for it. The slots after
// IMFAttributes' 30 methods are in exactly this order.
struct IMFVirtualCamera : public IMFAttributes {
    virtual HRESULT STDMETHODCALLTYPE AddDeviceSourceInfo(LPCWSTR deviceSourceInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddProperty(const DEVPROPKEY* key, DEVPROPTYPE type, const BYTE* data,
                                                  ULONG size) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddRegistryEntry(LPCWSTR entryName, LPCWSTR subkeyPath, DWORD regType,
                                                       const BYTE* data, ULONG size) = 0;
    // Creates and registers the camera; callback may be null.
    virtual HRESULT STDMETHODCALLTYPE Start(IMFAsyncCallback* callback) = 0;
    // Disables the camera: applications can no longer list or open it.
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
    // Disables the camera and removes its registration from the system.
    virtual HRESULT STDMETHODCALLTYPE Remove() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMediaSource(IMFMediaSource** source) = 0;
    virtual HRESULT STDMETHODCALLTYPE SendCameraProperty(const GUID* propertySet, ULONG id, ULONG flags,
                                                         void* payload, ULONG payloadSize, void* data,
                                                         ULONG dataSize, ULONG* written) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateSyncEvent(const GUID* kseventSet, ULONG id, ULONG flags, HANDLE event,
                                                      IMFCameraSyncObject** syncObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateSyncSemaphore(const GUID* kseventSet, ULONG id, ULONG flags,
                                                          HANDLE semaphore, LONG semaphoreAdjustment,
                                                          IMFCameraSyncObject** syncObject) = 0;
    // Releases the object's resources; a Session camera disappears.
    virtual HRESULT STDMETHODCALLTYPE Shutdown() = 0;
};

// {1C08A864-EF6C-4C75-AF59-5F2D68DA9563}
extern const IID IID_IMFVirtualCamera;
__CRT_UUID_DECL(IMFVirtualCamera, 0x1c08a864, 0xef6c, 0x4c75, 0xaf, 0x59, 0x5f, 0x2d, 0x68, 0xda, 0x95, 0x63)

namespace vcam {

using CreateVirtualCameraFunction = HRESULT(WINAPI*)(MFVirtualCameraType type, MFVirtualCameraLifetime lifetime,
                                                     MFVirtualCameraAccess access, LPCWSTR friendlyName,
                                                     LPCWSTR sourceId, const GUID* categories, ULONG categoryCount,
                                                     IMFVirtualCamera** virtualCamera);
using IsVirtualCameraTypeSupportedFunction = HRESULT(WINAPI*)(MFVirtualCameraType type, BOOL* supported);

// The library the functions come from; looked for in the system folder only.
extern const wchar_t kVirtualCameraLibrary[];

// The virtual camera functions of this Windows, or why there are none. Owns
// the library it loaded (kept loaded while a camera object made by it may
// live: destroy the API after the objects).
class VirtualCameraApi {
public:
    enum class Availability {
        Available,       // MFCreateVirtualCamera can be called
        NoLibrary,       // mfsensorgroup.dll is not in the system folder
        NoFunction,      // the library has no MFCreateVirtualCamera
    };

    // Loads library (normally kVirtualCameraLibrary) from the system folder
    // only (never the program's folder, the working folder or PATH, where
    // another user could have put one) and looks the functions up.
    static VirtualCameraApi Load(const wchar_t* library = kVirtualCameraLibrary);

    // Functions given by the caller instead of a library (a stand-in in
    // tests). isSupported may be null.
    VirtualCameraApi(CreateVirtualCameraFunction create, IsVirtualCameraTypeSupportedFunction isSupported);

    VirtualCameraApi(VirtualCameraApi&&) = default;
    VirtualCameraApi& operator=(VirtualCameraApi&&) = default;

    Availability State() const { return m_state; }
    bool Available() const { return m_state == Availability::Available; }
    // The system's error from LoadLibraryExW when State() is NoLibrary.
    DWORD LoadError() const { return m_loadError; }

    // MFCreateVirtualCamera; E_NOTIMPL when the API is not available.
    HRESULT Create(MFVirtualCameraType type, MFVirtualCameraLifetime lifetime, MFVirtualCameraAccess access,
                   LPCWSTR friendlyName, LPCWSTR sourceId, const GUID* categories, ULONG categoryCount,
                   IMFVirtualCamera** virtualCamera) const;
    // MFIsVirtualCameraTypeSupported; E_NOTIMPL when the library lacks it.
    HRESULT IsTypeSupported(MFVirtualCameraType type, BOOL* supported) const;

private:
    VirtualCameraApi() = default;

    win::UniqueModule m_module;
    CreateVirtualCameraFunction m_create = nullptr;
    IsVirtualCameraTypeSupportedFunction m_isSupported = nullptr;
    Availability m_state = Availability::NoLibrary;
    DWORD m_loadError = 0;
};

} // namespace vcam
