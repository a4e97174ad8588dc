// Fakes whose point is their reference count, for checking that code which
// holds COM references (pUnk, peers, allocators, graphs) gives back what it
// took. They are small COM objects made with win::MakeComObject; the test's
// own reference counts, so "nothing else holds it" reads References() == 1.
#pragma once

#include <unknwn.h>

#include "win/ComObject.h"

template <class FirstInterface, class... OtherInterfaces>
class CountedComObject : public win::ComObject<FirstInterface, OtherInterfaces...> {
public:
    // References held now, the test's own included.
    ULONG References()
    {
        this->AddRef();
        return this->Release();
    }
};

// A plain IUnknown that only counts its references.
class CountingUnknown final : public CountedComObject<IUnknown> {};
