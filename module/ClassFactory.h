// The module's IClassFactory: creates the objects of one FactoryTemplate row.
//
// A small COM object (win::ComObject, made with win::MakeComObject, its count
// interlocked). A factory counts in liveObjectCount from construction to
// destruction, so the module stays loaded while one exists. The module's
// server lock count changes only with interlocked operations: COM may hand
// one factory to several threads, and LockServer calls come from any thread.
// Objects it creates do not hold the factory.
#pragma once

#include <unknwn.h>

#include "module/FactoryTemplate.h"
#include "win/ComObject.h"

// Outstanding LockServer(TRUE) calls of all factories of the module.
extern volatile LONG serverLockCount;

class ClassFactory final : public win::ComObject<IClassFactory> {
public:
    // The row is not owned (static table).
    explicit ClassFactory(const FactoryTemplate* row);
    ~ClassFactory() override;

    // Runs the row's creation function and hands out the requested interface
    // of the new object; an object that cannot give it is destroyed again.
    // Aggregation only with IID_IUnknown.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    const FactoryTemplate* const row;
};
