#include "framework/FilterBase.h"

#include <dshow.h>

#include <cwchar>
#include <new>

#include "framework/FilterRegistration.h"
#include "framework/PinBase.h"
#include "framework/PinEnumerator.h"

FilterBase::FilterBase(const wchar_t* objectName, IUnknown* outer, RecursiveLock* lock, REFCLSID classId)
    : UnknownBase(objectName, outer), classId(classId), filterLock(lock)
{
}

FilterBase::~FilterBase() = default;

HRESULT STDMETHODCALLTYPE FilterBase::InnerQueryInterface(REFIID iid, void** out)
{
    if (!out) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IBaseFilter) || IsEqualIID(iid, IID_IMediaFilter) || IsEqualIID(iid, IID_IPersist)) {
        return HandOutInterface(static_cast<IBaseFilter*>(this), out);
    }
    if (IsEqualIID(iid, IID_IAMovieSetup)) {
        return HandOutInterface(static_cast<IAMovieSetup*>(this), out);
    }
    return UnknownBase::InnerQueryInterface(iid, out);
}

HRESULT STDMETHODCALLTYPE FilterBase::GetClassID(CLSID* classIdOut)
{
    if (!classIdOut) {
        return E_POINTER;
    }
    *classIdOut = classId;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterBase::Stop()
{
    LockGuard guard(filterLock);
    HRESULT firstFailure = S_OK;
    if (state != State_Stopped) {
        const int count = PinCount();
        for (int i = 0; i < count; ++i) {
            PinBase* pin = PinAt(i);
            if (pin && pin->IsConnected()) {
                const HRESULT hr = pin->GoInactive();
                if (FAILED(hr) && SUCCEEDED(firstFailure)) {
                    firstFailure = hr;
                }
            }
        }
    }
    state = State_Stopped;
    return firstFailure;
}

HRESULT STDMETHODCALLTYPE FilterBase::Pause()
{
    LockGuard guard(filterLock);
    if (state == State_Stopped) {
        const int count = PinCount();
        for (int i = 0; i < count; ++i) {
            PinBase* pin = PinAt(i);
            if (pin && pin->IsConnected()) {
                const HRESULT hr = pin->GoActive();
                if (FAILED(hr)) {
                    // The filter stays Stopped, so the pins activated so far
                    // go inactive again (their workers end), last first: a
                    // later Stop would not reach them, and a later Pause
                    // starts them afresh.
                    DeactivatePinsBefore(i);
                    return hr;
                }
            }
        }
    }
    state = State_Paused;
    return S_OK;
}

void FilterBase::DeactivatePinsBefore(int index)
{
    for (int i = index - 1; i >= 0; --i) {
        PinBase* pin = PinAt(i);
        if (pin && pin->IsConnected()) {
            pin->GoInactive();
        }
    }
}

HRESULT STDMETHODCALLTYPE FilterBase::Run(REFERENCE_TIME start)
{
    LockGuard guard(filterLock);
    startTime = start;
    if (state == State_Stopped) {
        // Through the interface, so that a derived Pause runs.
        const HRESULT hr = BaseFilter()->Pause();
        if (FAILED(hr)) {
            return hr;
        }
    }
    if (state != State_Running) {
        const int count = PinCount();
        for (int i = 0; i < count; ++i) {
            PinBase* pin = PinAt(i);
            if (pin && pin->IsConnected()) {
                const HRESULT hr = pin->OnRun(start);
                if (FAILED(hr)) {
                    return hr;
                }
            }
        }
    }
    state = State_Running;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterBase::GetState(DWORD /*timeoutMs*/, FILTER_STATE* stateOut)
{
    if (!stateOut) {
        return E_POINTER;
    }
    *stateOut = state;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterBase::SetSyncSource(IReferenceClock* newClock)
{
    LockGuard guard(filterLock);
    clock = newClock; // ComPtr: add-references the new clock, releases the old
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterBase::GetSyncSource(IReferenceClock** clockOut)
{
    if (!clockOut) {
        return E_POINTER;
    }
    LockGuard guard(filterLock);
    *clockOut = clock.Get();
    if (*clockOut) {
        (*clockOut)->AddRef();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterBase::EnumPins(IEnumPins** out)
{
    if (!out) {
        return E_POINTER;
    }
    *out = new (std::nothrow) PinEnumerator(this, nullptr);
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE FilterBase::QueryFilterInfo(FILTER_INFO* info)
{
    if (!info) {
        return E_POINTER;
    }
    const size_t capacity = sizeof(info->achName) / sizeof(info->achName[0]);
    info->achName[0] = L'\0';
    if (filterName) {
        wcsncpy(info->achName, filterName.get(), capacity - 1);
        info->achName[capacity - 1] = L'\0';
    }
    info->pGraph = graph;
    if (graph) {
        graph->AddRef();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterBase::JoinFilterGraph(IFilterGraph* newGraph, LPCWSTR name)
{
    LockGuard guard(filterLock);
    graph = newGraph;
    eventSink = nullptr;
    if (graph) {
        IMediaEventSink* sink = nullptr;
        if (SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)))) {
            // Held weakly: the graph owns the filter, not the other way round.
            eventSink = sink;
            sink->Release();
        }
    }
    filterName.reset();
    if (name) {
        // When the copy cannot be made the filter keeps no name.
        const size_t length = wcslen(name) + 1;
        filterName = AllocateTaskMemory<wchar_t>(length);
        if (filterName) {
            wmemcpy(filterName.get(), name, length);
        }
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterBase::QueryVendorInfo(LPWSTR* /*vendorInfo*/)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE FilterBase::Register()
{
    const FilterSetup* setup = SetupData();
    if (!setup) {
        return S_FALSE;
    }
    return RegisterFilterWithPlatformMapper(setup, true);
}

HRESULT STDMETHODCALLTYPE FilterBase::Unregister()
{
    const FilterSetup* setup = SetupData();
    if (!setup) {
        return S_FALSE;
    }
    return RegisterFilterWithPlatformMapper(setup, false);
}

HRESULT FilterBase::CurrentStreamTime(REFERENCE_TIME* streamTime)
{
    if (!clock) {
        return VFW_E_NO_CLOCK;
    }
    REFERENCE_TIME now = 0;
    const HRESULT hr = clock->GetTime(&now);
    if (FAILED(hr)) {
        return hr;
    }
    *streamTime = now - startTime;
    return S_OK;
}

int FilterBase::PinListVersion()
{
    return pinListVersion;
}

const FilterSetup* FilterBase::SetupData()
{
    return nullptr;
}

HRESULT FilterBase::PostGraphEvent(long eventCode, LONG_PTR param1, LONG_PTR param2)
{
    if (!eventSink) {
        return E_NOTIMPL;
    }
    if (eventCode == EC_COMPLETE) {
        param2 = reinterpret_cast<LONG_PTR>(BaseFilter());
    }
    return eventSink->Notify(eventCode, param1, param2);
}

FILTER_STATE FilterBase::CurrentState()
{
    LockGuard guard(filterLock);
    return state;
}

void FilterBase::OnFinalRelease()
{
    LockGuard guard(filterLock);
    const int count = PinCount();
    for (int i = 0; i < count; ++i) {
        PinBase* pin = PinAt(i);
        if (pin && pin->IsConnected()) {
            pin->GoInactive();
        }
    }
    state = State_Stopped;
}
