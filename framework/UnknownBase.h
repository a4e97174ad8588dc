// Identity, reference counting and aggregation for every COM object of the
// module (filter, pins, property pages).
//
// An UnknownBase object carries its non-delegating IUnknown ("inner unknown")
// as a small member object, a real IUnknown whose three methods call
// InnerQueryInterface, InnerAddRef and InnerRelease; InnerUnknown() hands it
// out. (Reinterpreting the object itself as an IUnknown would rely on vtable
// layout the compiler does not promise, and the optimiser may drop such calls
// as impossible.) Every
// interface a derived class exports forwards its own IUnknown methods to
// Owner() (FORWARD_IUNKNOWN_TO_OWNER): the outer object when aggregated,
// otherwise the inner unknown, so all interfaces share one identity and one count.
//
// Objects start with a reference count of 0. The creator takes the first
// reference with InnerAddRef; the InnerRelease that brings the count to 0
// destroys the object (the count is set back to 1 first, so that references
// taken and dropped by OnFinalRelease or the destructor cannot destroy it twice).
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

    IUnknown* InnerUnknown() { return &innerUnknown; }
    IUnknown* Owner() const { return owner; }

    // Stores itf in *out and adds a reference through it (for an exported
    // interface that reaches the owner). E_POINTER when out is null.
    static HRESULT HandOutInterface(IUnknown* itf, void** out);

protected:
    // Called by the final InnerRelease while the whole object still exists,
    // just before it is destroyed: the place to stop work that calls the
    // object's virtual functions from other threads. Default: nothing.
    virtual void OnFinalRelease() {}

private:
    // The inner unknown: an IUnknown that forwards to the object's own
    // non-delegating methods.
    class NonDelegatingUnknown final : public IUnknown {
    public:
        explicit NonDelegatingUnknown(UnknownBase* object) : object(object) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
        {
            return object->InnerQueryInterface(iid, out);
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return object->InnerAddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return object->InnerRelease(); }

    private:
        UnknownBase* const object;
    };

    NonDelegatingUnknown innerUnknown{this};
    IUnknown* const owner; // not counted
    volatile LONG refCount;
};

// Implements the IUnknown methods of an interface by forwarding them to
// another object's IUnknown (owner, an expression evaluated on each call): an
// interface that is a part of that object and shares its identity and count.
#define FORWARD_IUNKNOWN_TO(owner)                                                                 \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override                     \
    {                                                                                              \
        return (owner)->QueryInterface(iid, out);                                                  \
    }                                                                                              \
    ULONG STDMETHODCALLTYPE AddRef() override { return (owner)->AddRef(); }                       \
    ULONG STDMETHODCALLTYPE Release() override { return (owner)->Release(); }

// The same for an exported interface of a class derived from UnknownBase.
#define FORWARD_IUNKNOWN_TO_OWNER FORWARD_IUNKNOWN_TO(Owner())
