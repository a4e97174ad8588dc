#include "mediasource/VirtualCameraApi.h"

const IID IID_IMFVirtualCamera = {0x1c08a864, 0xef6c, 0x4c75, {0xaf, 0x59, 0x5f, 0x2d, 0x68, 0xda, 0x95, 0x63}};

namespace vcam {
const wchar_t kVirtualCameraLibrary[] = L"mfsensorgroup.dll";

VirtualCameraApi VirtualCameraApi::Load(const wchar_t* library)
{
    VirtualCameraApi api;
    api.m_module = win::LoadSystemLibrary(library);
    if (!api.m_module) {
        api.m_loadError = GetLastError();
        api.m_state = Availability::NoLibrary;
        return api;
    }
    api.m_create = win::ProcedureOf<CreateVirtualCameraFunction>(api.m_module.Get(), "MFCreateVirtualCamera");
    api.m_isSupported = win::ProcedureOf<IsVirtualCameraTypeSupportedFunction>(api.m_module.Get(), "MFIsVirtualCameraTypeSupported");
    api.m_state = api.m_create ? Availability::Available : Availability::NoFunction;
    return api;
}

VirtualCameraApi::VirtualCameraApi(CreateVirtualCameraFunction create,
                                   IsVirtualCameraTypeSupportedFunction isSupported)
    : m_create(create), m_isSupported(isSupported),
      m_state(create ? Availability::Available : Availability::NoFunction)
{
}

HRESULT VirtualCameraApi::Create(MFVirtualCameraType type, MFVirtualCameraLifetime lifetime,
                                 MFVirtualCameraAccess access, LPCWSTR friendlyName, LPCWSTR sourceId,
                                 const GUID* categories, ULONG categoryCount, IMFVirtualCamera** virtualCamera) const
{
    if (!virtualCamera) {
        return E_POINTER;
    }
    *virtualCamera = nullptr;
    if (!m_create) {
        return E_NOTIMPL;
    }
    return m_create(type, lifetime, access, friendlyName, sourceId, categories, categoryCount, virtualCamera);
}

HRESULT VirtualCameraApi::IsTypeSupported(MFVirtualCameraType type, BOOL* supported) const
{
    if (!supported) {
        return E_POINTER;
    }
    *supported = FALSE;
    return m_isSupported ? m_isSupported(type, supported) : E_NOTIMPL;
}

} // namespace vcam
