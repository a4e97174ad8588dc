// A filter whose pins are SourceStreamBase streams, in creation order
// (index = pin index), guarded by the filter's recursive state lock.
//
// StateLock is the filter lock of FilterBase and the pin lock of every
// stream: state changes, connections, the stream array and the streams'
// media type work are serialised by it. A stream's worker never takes it.
//
// Ownership: the filter is the one owner of its streams. A stream hands
// itself to the filter when it is constructed (AddStream); the filter
// destroys it (DestroyStream, DestroyStreams), and a stream that goes is
// taken out of the array (RemoveStream, from its destructor). Streams that
// use members of a derived filter must go before those members: the derived
// destructor calls DestroyStreams first. The base destructor destroys any
// stream still held. A filter released while streaming has stopped its
// streams' workers before any of this (FilterBase::OnFinalRelease).
#pragma once

#include <memory>
#include <vector>

#include "framework/FilterBase.h"
#include "win/Lock.h"

class SourceStreamBase;

class SourceFilterBase : public FilterBase {
public:
    SourceFilterBase(const wchar_t* objectName, IUnknown* outer, REFCLSID classId);
    // Destroys the streams still held (DestroyStreams).
    ~SourceFilterBase() override;

    // The pin whose id (QueryId) is id: "1" is the first stream.
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;

    int PinCount() override;
    PinBase* PinAt(int index) override;

    // Takes ownership of stream and appends it (under StateLock); called by
    // the stream's constructor. E_OUTOFMEMORY when it cannot be appended: the
    // filter then does not own it, and its creator destroys it.
    HRESULT AddStream(SourceStreamBase* stream);
    // Takes a stream out of the array and destroys it (outside StateLock);
    // the streams after it move up. Nothing when the filter does not hold it.
    void DestroyStream(SourceStreamBase* stream);
    // Lets go of a stream that is being destroyed, without destroying it;
    // S_FALSE when it is not in the array. Takes no lock: called from the
    // stream's destructor.
    HRESULT RemoveStream(SourceStreamBase* stream);
    // Index of the stream whose IPin is pin, or -1. No lock.
    int FindStreamIndex(IPin* pin) const;

    win::Lock& StateLock() { return stateLock; }

protected:
    // Destroys every stream, last to first. No lock: for destructors.
    void DestroyStreams();

private:
    using Streams = std::vector<std::unique_ptr<SourceStreamBase>>;
    // Where stream is in the array, or end(). Caller serialises access.
    Streams::iterator Held(SourceStreamBase* stream);

    Streams streams;
    win::Lock stateLock;
};
