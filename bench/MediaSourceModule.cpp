#include "bench/MediaSourceModule.h"

#include <mfapi.h>
#include <mferror.h>

#include <string>

#include "mediasource/MediaSourceGuids.h"
#include "win/HResult.h"
#include "win/Module.h"

using Microsoft::WRL::ComPtr;

namespace {

const wchar_t kModuleName[] = L"LumoraMediaSource.dll";
const DWORD kEventPollMs = 1;

// The folder of this program, ending in a backslash; empty when unknown.
std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::wstring();
    }
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

} // namespace

MediaSourceModule::MediaSourceModule()
{
    m_started = SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_FULL));
    m_ready = m_started ? Load() : E_FAIL;
}

MediaSourceModule::~MediaSourceModule()
{
    if (m_module) {
        FreeLibrary(m_module);
    }
    if (m_started) {
        MFShutdown();
    }
}

HRESULT MediaSourceModule::Load()
{
    const std::wstring folder = ProgramFolder();
    if (folder.empty()) {
        return win::LastErrorResult();
    }
    m_module = LoadLibraryExW((folder + kModuleName).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!m_module) {
        return win::LastErrorResult();
    }
    m_getClassObject = win::ProcedureOf<decltype(m_getClassObject)>(m_module, "DllGetClassObject");
    m_canUnloadNow = win::ProcedureOf<decltype(m_canUnloadNow)>(m_module, "DllCanUnloadNow");
    if (!m_getClassObject || !m_canUnloadNow) {
        return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    }
    return S_OK;
}

HRESULT MediaSourceModule::Create(ComPtr<IMFMediaSource>* source) const
{
    RETURN_IF_FAILED(m_ready);
    ComPtr<IClassFactory> factory;
    RETURN_IF_FAILED(m_getClassObject(CLSID_LumoraMediaSource, IID_PPV_ARGS(&factory)));
    return factory->CreateInstance(nullptr, IID_PPV_ARGS(source->ReleaseAndGetAddressOf()));
}

bool MediaSourceModule::CanUnloadNow() const
{
    return m_canUnloadNow && m_canUnloadNow() == S_OK;
}

HRESULT WaitForMediaEvent(IMFMediaEventGenerator* generator, MediaEventType type, DWORD timeoutMs,
                          ComPtr<IMFMediaEvent>* event)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        ComPtr<IMFMediaEvent> next;
        const HRESULT got = generator->GetEvent(MF_EVENT_FLAG_NO_WAIT, &next);
        if (got == MF_E_NO_EVENTS_AVAILABLE) {
            if (GetTickCount64() >= deadline) {
                return got;
            }
            Sleep(kEventPollMs);
            continue;
        }
        RETURN_IF_FAILED(got);
        MediaEventType nextType = MEUnknown;
        HRESULT status = S_OK;
        next->GetType(&nextType);
        next->GetStatus(&status);
        if (nextType == MEError) {
            return FAILED(status) ? status : E_FAIL;
        }
        if (nextType == type) {
            RETURN_IF_FAILED(status);
            if (event) {
                *event = next;
            }
            return S_OK;
        }
    }
}

void DrainMediaEvents(IMFMediaEventGenerator* generator)
{
    ComPtr<IMFMediaEvent> event;
    while (SUCCEEDED(generator->GetEvent(MF_EVENT_FLAG_NO_WAIT, event.ReleaseAndGetAddressOf()))) {
    }
}
