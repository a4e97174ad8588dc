// Small COM objects: enumerators, class factories, callbacks and test fakes.
//
// ComObject<I1, I2, ...> implements IUnknown for a class that derives from it
// and implements the interfaces I1, I2, ...: an interlocked reference count
// that starts at 1 (the creator's) and deletes the object at 0, and a
// QueryInterface that answers IID_IUnknown (always through I1, the object's
// identity) and the id of each listed interface (__uuidof). An interface
// reached only through inheritance (IMediaFilter of an IBaseFilter) is
// answered by overriding QueryOtherInterface.
//
// Objects are made with MakeComObject, which hands the creator's reference to
// a ComPtr at once, so no path between new and the first owner can leak.
// Objects that must not be destroyed by their last Release (aggregated parts,
// filter objects) build on the framework's UnknownBase instead.
#pragma once

#include <unknwn.h>
#include <wrl/client.h>

#include <atomic>
#include <new>
#include <utility>

namespace win {

template <class FirstInterface, class... OtherInterfaces>
class ComObject : public FirstInterface, public OtherInterfaces... {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out) {
            return E_POINTER;
        }
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = static_cast<IUnknown*>(static_cast<FirstInterface*>(this));
        } else if (IsEqualIID(iid, __uuidof(FirstInterface))) {
            *out = static_cast<FirstInterface*>(this);
        } else if (!((IsEqualIID(iid, __uuidof(OtherInterfaces)) &&
                      (*out = static_cast<OtherInterfaces*>(this)) != nullptr) ||
                     ...)) {
            *out = QueryOtherInterface(iid);
        }
        if (!*out) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_references;
        if (left == 0) {
            delete this;
        }
        return left;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    // The object as the interface for an id not in the list, or null. No
    // reference is added here (QueryInterface adds it).
    virtual void* QueryOtherInterface(REFIID /*iid*/) { return nullptr; }

    // The references held now, for test doubles that check a balance.
    ULONG ReferenceCount() const { return m_references; }

private:
    std::atomic<ULONG> m_references{1};
};

// A new T holding one reference, owned by the returned pointer; null when
// memory is short.
template <class T, class... Args>
Microsoft::WRL::ComPtr<T> MakeComObject(Args&&... args)
{
    Microsoft::WRL::ComPtr<T> object;
    // Stored without a further AddRef: mingw-w64's ComPtr::Attach adds one
    // (unlike the platform SDK's), which would leave the object alive for ever.
    *object.GetAddressOf() = new (std::nothrow) T(std::forward<Args>(args)...);
    return object;
}

} // namespace win
