// The filter half of the filter-graph machinery: IBaseFilter (answering also
// for IMediaFilter and IPersist) and IAMovieSetup on top of UnknownBase, with
// the Stopped/Paused/Running state machine, the reference clock, membership
// of a graph and event posting. The filter knows its pins only through
// PinCount and PinAt, which a derived class (SourceFilterBase) supplies.
//
// Threading: Stop, Pause, Run, SetSyncSource, GetSyncSource,
// JoinFilterGraph and the final release hold filterLock (the derived filter's
// recursive state lock, which is also every pin's lock, so state changes and
// connections are serialised). GetState, QueryFilterInfo and PostGraphEvent
// take no lock. Stop holds filterLock while the pins' workers are stopped and
// joined, so nothing a worker does while streaming may take that lock.
// The clock and the start time are also read by the pins' workers
// (CurrentStreamTime), so they are written and read under timingLock, a leaf
// lock taken inside filterLock by SetSyncSource and Run and on its own by
// CurrentStreamTime; nothing is called while it is held. A worker reading the
// stream time holds its own reference on the clock while it asks it the time,
// so SetSyncSource may release the old clock meanwhile.
//
// Ownership: graph and eventSink are weak (the graph owns the filter); clock
// holds a reference; filterName is the filter's copy of its name.
#pragma once

#include <strmif.h>
#include <wrl/client.h>

#include "framework/FilterSetup.h"
#include "framework/UnknownBase.h"
#include "win/Lock.h"
#include "win/TaskMemory.h"

class PinBase;

class FilterBase : public UnknownBase, public IBaseFilter, public IAMovieSetup {
public:
    // lock is the filter lock; it is not owned and is not used before the
    // derived filter has constructed it.
    FilterBase(const wchar_t* objectName, IUnknown* outer, win::Lock* lock, REFCLSID classId);
    ~FilterBase() override;

    FORWARD_IUNKNOWN_TO_OWNER

    HRESULT STDMETHODCALLTYPE InnerQueryInterface(REFIID iid, void** out) override;

    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classIdOut) override;
    // IMediaFilter. Stop deactivates every connected pin (all of them, the
    // first failure returned) and always ends Stopped. Pause from Stopped
    // activates the connected pins in order; when one fails, the pins it
    // activated go inactive again, last first, and the filter stays Stopped
    // with that failure. Run stores the start time, pauses a stopped filter
    // and tells the connected pins to run (OnRun).
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeoutMs, FILTER_STATE* stateOut) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* newClock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clockOut) override;
    // IBaseFilter (FindPin is the derived filter's)
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** out) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* newGraph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* vendorInfo) override;
    // IAMovieSetup
    HRESULT STDMETHODCALLTYPE Register() override;
    HRESULT STDMETHODCALLTYPE Unregister() override;

    // The clock's time minus the start time given to Run; VFW_E_NO_CLOCK
    // without a clock. Takes timingLock only, never filterLock: a pin's
    // worker calls it while it streams (Stop holds filterLock while it waits
    // for the workers). The clock and the start time are read together.
    virtual HRESULT CurrentStreamTime(REFERENCE_TIME* streamTime);
    // Version of the pin list, read by the pin enumerator to notice changes.
    virtual int PinListVersion();
    virtual int PinCount() = 0;
    // The pin at index, or null; no reference is added.
    virtual PinBase* PinAt(int index) = 0;
    // The registration record, or null (then Register does nothing).
    virtual const FilterSetup* SetupData();

    // Posts an event to the graph's event sink; E_NOTIMPL outside a graph.
    // For EC_COMPLETE the second parameter is this filter.
    HRESULT PostGraphEvent(long eventCode, LONG_PTR param1, LONG_PTR param2);

    // The state, read under the filter lock.
    FILTER_STATE CurrentState();
    bool IsActive() { return CurrentState() != State_Stopped; }

    win::Lock* FilterLock() const { return filterLock; }
    IBaseFilter* BaseFilter() { return static_cast<IBaseFilter*>(this); }

protected:
    // A filter released while still active stops its pins' workers before
    // it is destroyed.
    void OnFinalRelease() override;
    // GoInactive on the connected pins below index, last first (a failed
    // Pause undoing its activations). Caller holds filterLock.
    void DeactivatePinsBefore(int index);

    FILTER_STATE state = State_Stopped;
    const CLSID classId;
    win::Lock* const filterLock;
    win::TaskMemoryPtr<wchar_t> filterName;
    IFilterGraph* graph = nullptr;        // weak
    IMediaEventSink* eventSink = nullptr; // weak
    int pinListVersion = 1;

private:
    // The clock with the start time given to Run, copied in one hold of
    // timingLock (with a reference on the clock for the caller).
    void ReadTiming(Microsoft::WRL::ComPtr<IReferenceClock>* clockOut, REFERENCE_TIME* startOut);

    // Guards clock and startTime (see Threading above).
    win::Lock timingLock;
    Microsoft::WRL::ComPtr<IReferenceClock> clock;
    REFERENCE_TIME startTime = 0;
};
