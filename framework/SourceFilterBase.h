// A filter whose pins are SourceStreamBase streams, in creation order
// (index = pin index), guarded by the filter's recursive state lock.
//
// StateLock is the filter lock of FilterBase and the pin lock of every
// stream: state changes, connections and the streams' media type work are
// serialised by it. A stream's worker never takes it.
//
// Ownership: the filter owns its streams; destroying it destroys any stream
// still in the array, last to first. A stream adds itself to the array when
// constructed and removes itself when destroyed.
#pragma once

#include <memory>

#include "framework/FilterBase.h"
#include "framework/RecursiveLock.h"

class SourceStreamBase;

class SourceFilterBase : public FilterBase {
public:
    SourceFilterBase(const wchar_t* objectName, IUnknown* outer, REFCLSID classId);
    ~SourceFilterBase() override;

    // The pin whose id (QueryId) is id: "1" is the first stream.
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;

    int PinCount() override;
    PinBase* PinAt(int index) override;

    // Appends a stream (under StateLock); E_OUTOFMEMORY leaves the array as
    // it was.
    HRESULT AddStream(SourceStreamBase* stream);
    // Takes a stream out of the array; S_FALSE when it is not there. Takes no
    // lock: called from the stream's destructor.
    HRESULT RemoveStream(SourceStreamBase* stream);
    // Index of the stream whose IPin is pin, or -1. No lock.
    int FindStreamIndex(IPin* pin) const;

    RecursiveLock* StateLock() { return &stateLock; }

private:
    int streamCount = 0;
    std::unique_ptr<SourceStreamBase*[]> streams;
    RecursiveLock stateLock;
};
