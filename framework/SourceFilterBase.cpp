#include "framework/SourceFilterBase.h"

#include <vfwmsgs.h>
#include <wrl/client.h>

#include <algorithm>
#include <cwchar>
#include <new>

#include "framework/SourceStreamBase.h"

SourceFilterBase::SourceFilterBase(const wchar_t* objectName, IUnknown* outer, REFCLSID classId)
    : FilterBase(objectName, outer, &stateLock, classId)
{
}

SourceFilterBase::~SourceFilterBase()
{
    DestroyStreams();
}

void SourceFilterBase::DestroyStreams()
{
    while (!streams.empty()) {
        // Out of the array before it goes, so its RemoveStream finds nothing.
        const std::unique_ptr<SourceStreamBase> last = std::move(streams.back());
        streams.pop_back();
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
    // The caller's reference on the pin, or null.
    Microsoft::WRL::ComPtr<IPin>(found ? found->Pin() : nullptr).CopyTo(pin);
    return found ? S_OK : VFW_E_NOT_FOUND;
}

int SourceFilterBase::PinCount()
{
    win::LockGuard guard(stateLock);
    return static_cast<int>(streams.size());
}

PinBase* SourceFilterBase::PinAt(int index)
{
    win::LockGuard guard(stateLock);
    if (index < 0 || index >= static_cast<int>(streams.size())) {
        return nullptr;
    }
    return streams[index].get();
}

HRESULT SourceFilterBase::AddStream(SourceStreamBase* stream)
{
    win::LockGuard guard(stateLock);
    try {
        streams.reserve(streams.size() + 1);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    streams.emplace_back(stream); // cannot fail once there is room
    return S_OK;
}

void SourceFilterBase::DestroyStream(SourceStreamBase* stream)
{
    std::unique_ptr<SourceStreamBase> taken;
    {
        win::LockGuard guard(stateLock);
        const auto held = Held(stream);
        if (held == streams.end()) {
            return;
        }
        taken = std::move(*held);
        streams.erase(held);
    }
    // taken goes here, outside the lock: its destructor joins a worker still held.
}

HRESULT SourceFilterBase::RemoveStream(SourceStreamBase* stream)
{
    const auto held = Held(stream);
    if (held == streams.end()) {
        return S_FALSE;
    }
    held->release(); // being destroyed by whoever called its destructor
    streams.erase(held);
    return S_OK;
}

SourceFilterBase::Streams::iterator SourceFilterBase::Held(SourceStreamBase* stream)
{
    return std::find_if(streams.begin(), streams.end(),
                        [stream](const std::unique_ptr<SourceStreamBase>& held) { return held.get() == stream; });
}

int SourceFilterBase::FindStreamIndex(IPin* pin) const
{
    for (size_t i = 0; i < streams.size(); ++i) {
        if (streams[i]->Pin() == pin) {
            return static_cast<int>(i);
        }
    }
    return -1;
}
