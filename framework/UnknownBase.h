// Identity, reference counting and aggregation for every COM object of the
// module (filter, pins, property pages).
//
// An UnknownBase object is its own non-delegating IUnknown ("inner unknown"):
// its first three virtual functions have IUnknown's layout and calling
// convention, so InnerUnknown() can be handed out as an IUnknown. Every
// interface a derived class exports forwards its own IUnknown methods to
// Owner() (FORWARD_IUNKNOWN_TO_OWNER): the outer object when aggregated,
// otherwise the inner unknown, so all interfaces share one identity and one count.
//
// Objects start with a reference count of 0. The creator takes the first
// reference with InnerAddRef; the InnerRelease that brings the count to 0
// destroys the object (the count is set back to 1 first, so that references
// taken and dropped by the destructor cannot destroy it twice).
#pragma once

#include <unknwn.h>

// Live UnknownBase objects and class factories of this module; the module can
// be unloaded when it is 0. Changed only with interlocked operations.
extern volatile LONG liveObjectCount;

class UnknownBase {
public:
    // objectName is a diagnostic label and is not stored. outer is the
    // controlling object when aggregated, else null.
    UnknownBase(const wchar_t* objectName, IUnknown* outer);

    // The non-delegating IUnknown methods, in IUnknown's slot order.
    virtual HRESULT STDMETHODCALLTYPE InnerQueryInterface(REFIID iid, void** out);
    virtual ULONG STDMETHODCALLTYPE InnerAddRef();
    virtual ULONG STDMETHODCALLTYPE InnerRelease();
    virtual ~UnknownBase();

    UnknownBase(const UnknownBase&) = delete;
    UnknownBase& operator=(const UnknownBase&) = delete;

    IUnknown* InnerUnknown() { return reinterpret_cast<IUnknown*>(this); }
    IUnknown* Owner() const { return owner; }

    // Stores itf in *out and adds a reference through it (for an exported
    // interface that reaches the owner). E_POINTER when out is null.
    static HRESULT HandOutInterface(IUnknown* itf, void** out);

private:
    IUnknown* const owner; // not counted
    volatile LONG refCount;
};

// Implements the IUnknown methods of an exported interface by forwarding them
// to the object's owner. Use inside a class derived from UnknownBase.
#define FORWARD_IUNKNOWN_TO_OWNER                                                                  \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override                     \
    {                                                                                              \
        return Owner()->QueryInterface(iid, out);                                                  \
    }                                                                                              \
    ULONG STDMETHODCALLTYPE AddRef() override { return Owner()->AddRef(); }                       \
    ULONG STDMETHODCALLTYPE Release() override { return Owner()->Release(); }
