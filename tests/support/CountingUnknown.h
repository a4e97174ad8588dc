// Fakes whose point is their reference count, for checking that code holding COM references gives back what it
// took. The test's own reference counts, so "nothing else holds it" reads References() == 1.
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

class CountingUnknown final : public CountedComObject<IUnknown> {};
