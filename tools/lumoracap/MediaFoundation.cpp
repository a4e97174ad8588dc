#include "tools/lumoracap/MediaFoundation.h"

#include <mfapi.h>
#include <mfidl.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

using StartupFunction = HRESULT(WINAPI*)(ULONG version, DWORD flags);
using ShutdownFunction = HRESULT(WINAPI*)();
using CreateAttributesFunction = HRESULT(WINAPI*)(IMFAttributes** attributes, UINT32 initialSize);
using EnumDeviceSourcesFunction = HRESULT(WINAPI*)(IMFAttributes* attributes, IMFActivate*** sources, UINT32* count);

} // namespace

MediaFoundation::MediaFoundation() : m_platform(win::LoadSystemLibrary(L"mfplat.dll")), m_sources(win::LoadSystemLibrary(L"mf.dll"))
{
    if (!m_platform || !m_sources) {
        m_result = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
        return;
    }
    const auto startup = win::ProcedureOf<StartupFunction>(m_platform.Get(), "MFStartup");
    m_result = startup ? startup(MF_VERSION, MFSTARTUP_FULL) : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    m_started = SUCCEEDED(m_result);
}

MediaFoundation::~MediaFoundation()
{
    if (m_started) {
        if (const auto shutdown = win::ProcedureOf<ShutdownFunction>(m_platform.Get(), "MFShutdown")) {
            shutdown();
        }
    }
}

HRESULT MediaFoundation::ListVideoCaptureDevices(std::vector<std::wstring>* names) const
{
    names->clear();
    const auto createAttributes = win::ProcedureOf<CreateAttributesFunction>(m_platform.Get(), "MFCreateAttributes");
    const auto enumSources = win::ProcedureOf<EnumDeviceSourcesFunction>(m_sources.Get(), "MFEnumDeviceSources");
    if (!m_started || !createAttributes || !enumSources) {
        return m_started ? HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND) : m_result;
    }
    ComPtr<IMFAttributes> query;
    HRESULT hr = createAttributes(&query, 1);
    if (SUCCEEDED(hr)) {
        hr = query->SetGUID(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE, MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_GUID);
    }
    IMFActivate** sources = nullptr;
    UINT32 count = 0;
    if (SUCCEEDED(hr)) {
        hr = enumSources(query.Get(), &sources, &count);
    }
    if (FAILED(hr)) {
        return hr;
    }
    // The array and each entry belong to the caller.
    for (UINT32 i = 0; i < count; ++i) {
        WCHAR* name = nullptr;
        UINT32 length = 0;
        if (SUCCEEDED(sources[i]->GetAllocatedString(MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME, &name, &length))) {
            names->emplace_back(name, length);
            CoTaskMemFree(name);
        }
        sources[i]->Release();
    }
    CoTaskMemFree(sources);
    return S_OK;
}
