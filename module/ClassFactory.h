// The module's IClassFactory: creates the objects of one FactoryTemplate row.
//
// A factory counts in liveObjectCount from construction to destruction, so
// the module stays loaded while one exists. Its reference count and the
// module's server lock count change only with interlocked operations: COM
// may hand one factory to several threads, and LockServer calls come from
// any thread. Objects it creates do not hold the factory.
#pragma once

#include <unknwn.h>

#include "module/FactoryTemplate.h"

// Outstanding LockServer(TRUE) calls of all factories of the module.
extern volatile LONG serverLockCount;

class ClassFactory final : public IClassFactory {
public:
    // Starts with a reference count of 0; the row is not owned (static table).
    explicit ClassFactory(const FactoryTemplate* row);
    ~ClassFactory();

    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // Runs the row's creation function and hands out the requested interface
    // of the new object; an object that cannot give it is destroyed again.
    // Aggregation only with IID_IUnknown.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    volatile LONG refCount = 0;
    const FactoryTemplate* const row;
};
