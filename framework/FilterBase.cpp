#include "framework/FilterBase.h"

#include <dshow.h>

#include <cwchar>

#include "framework/FilterRegistration.h"
#include "framework/PinBase.h"
#include "framework/PinEnumerator.h"
#include "win/ComObject.h"
#include "win/HResult.h"

using Microsoft::WRL::ComPtr;

FilterBase::FilterBase(const wchar_t* objectName, IUnknown* outer, win::Lock* lock, REFCLSID classId)
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
    win::LockGuard guard(*filterLock);
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
    win::LockGuard guard(*filterLock);
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
    win::LockGuard guard(*filterLock);
    {
        // A 64-bit store: torn on 32-bit without the lock.
        win::LockGuard timing(timingLock);
        startTime = start;
    }
    if (state == State_Stopped) {
        // Through the interface, so that a derived Pause runs.
        RETURN_IF_FAILED(BaseFilter()->Pause());
    }
    if (state != State_Running) {
        const int count = PinCount();
        for (int i = 0; i < count; ++i) {
            PinBase* pin = PinAt(i);
            if (pin && pin->IsConnected()) {
                RETURN_IF_FAILED(pin->OnRun(start));
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
    win::LockGuard guard(*filterLock);
    Microsoft::WRL::ComPtr<IReferenceClock> old(newClock);
    {
        win::LockGuard timing(timingLock);
        clock.Swap(old);
    }
    // The old clock is released here, outside timingLock; a worker that is
    // asking it the time holds its own reference.
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterBase::GetSyncSource(IReferenceClock** clockOut)
{
    if (!clockOut) {
        return E_POINTER;
    }
    win::LockGuard guard(*filterLock);
    ComPtr<IReferenceClock> held;
    REFERENCE_TIME start = 0;
    ReadTiming(&held, &start);
    *clockOut = held.Detach(); // null without a clock
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FilterBase::EnumPins(IEnumPins** out)
{
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    const ComPtr<PinEnumerator> enumerator = win::MakeComObject<PinEnumerator>(this, nullptr);
    return enumerator ? enumerator.CopyTo(out) : E_OUTOFMEMORY;
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
    // The caller's reference on the graph (none without one).
    return ComPtr<IFilterGraph>(graph).CopyTo(&info->pGraph);
}

HRESULT STDMETHODCALLTYPE FilterBase::JoinFilterGraph(IFilterGraph* newGraph, LPCWSTR name)
{
    win::LockGuard guard(*filterLock);
    graph = newGraph;
    ComPtr<IMediaEventSink> sink;
    if (graph) {
        graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(sink.GetAddressOf()));
    }
    eventSink = sink.Get(); // weak, like graph: the graph owns the filter, not the other way round
    // When the copy cannot be made the filter keeps no name.
    filterName = win::CopyToTaskMemory(name);
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
    if (!streamTime) {
        return E_POINTER;
    }
    ComPtr<IReferenceClock> held;
    REFERENCE_TIME start = 0;
    ReadTiming(&held, &start);
    if (!held) {
        return VFW_E_NO_CLOCK;
    }
    // Outside timingLock: the clock may take its own locks.
    REFERENCE_TIME now = 0;
    RETURN_IF_FAILED(held->GetTime(&now));
    *streamTime = now - start;
    return S_OK;
}

void FilterBase::ReadTiming(ComPtr<IReferenceClock>* clockOut, REFERENCE_TIME* startOut)
{
    win::LockGuard timing(timingLock);
    *clockOut = clock;
    *startOut = startTime;
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
    win::LockGuard guard(*filterLock);
    return state;
}

void FilterBase::OnFinalRelease()
{
    win::LockGuard guard(*filterLock);
    const int count = PinCount();
    for (int i = 0; i < count; ++i) {
        PinBase* pin = PinAt(i);
        if (pin && pin->IsConnected()) {
            pin->GoInactive();
        }
    }
    state = State_Stopped;
}
