#include "framework/SourceFilterBase.h"

#include <vfwmsgs.h>

#include <cwchar>
#include <new>

#include "framework/SourceStreamBase.h"

SourceFilterBase::SourceFilterBase(const wchar_t* objectName, IUnknown* outer, REFCLSID classId)
    : FilterBase(objectName, outer, &stateLock, classId)
{
}

SourceFilterBase::~SourceFilterBase()
{
    // Each stream's destructor removes it from the array.
    while (streamCount != 0) {
        delete streams[streamCount - 1];
    }
}

HRESULT STDMETHODCALLTYPE SourceFilterBase::FindPin(LPCWSTR id, IPin** pin)
{
    if (!pin) {
        return E_POINTER;
    }
    // Non-numeric text converts to 0, which names no pin.
    const int number = id ? static_cast<int>(wcstol(id, nullptr, 10)) : 0;
    PinBase* found = PinAt(number - 1);
    if (!found) {
        *pin = nullptr;
        return VFW_E_NOT_FOUND;
    }
    *pin = found->Pin();
    (*pin)->AddRef();
    return S_OK;
}

int SourceFilterBase::PinCount()
{
    LockGuard guard(&stateLock);
    return streamCount;
}

PinBase* SourceFilterBase::PinAt(int index)
{
    LockGuard guard(&stateLock);
    if (index < 0 || index >= streamCount) {
        return nullptr;
    }
    return streams[index];
}

HRESULT SourceFilterBase::AddStream(SourceStreamBase* stream)
{
    LockGuard guard(&stateLock);
    std::unique_ptr<SourceStreamBase*[]> grown(new (std::nothrow) SourceStreamBase*[streamCount + 1]);
    if (!grown) {
        return E_OUTOFMEMORY;
    }
    for (int i = 0; i < streamCount; ++i) {
        grown[i] = streams[i];
    }
    grown[streamCount] = stream;
    streams = std::move(grown);
    ++streamCount;
    return S_OK;
}

HRESULT SourceFilterBase::RemoveStream(SourceStreamBase* stream)
{
    for (int i = 0; i < streamCount; ++i) {
        if (streams[i] == stream) {
            if (streamCount == 1) {
                streams.reset();
            } else {
                for (int j = i + 1; j < streamCount; ++j) {
                    streams[j - 1] = streams[j];
                }
            }
            --streamCount;
            return S_OK;
        }
    }
    return S_FALSE;
}

int SourceFilterBase::FindStreamIndex(IPin* pin) const
{
    for (int i = 0; i < streamCount; ++i) {
        if (streams[i]->Pin() == pin) {
            return i;
        }
    }
    return -1;
}
