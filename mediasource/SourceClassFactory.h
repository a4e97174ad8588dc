// The class factory of CLSID_LumoraMediaSource: each CreateInstance makes a
// new media source. No aggregation. A factory counts as a live object of the
// module while it exists; LockServer changes the module's lock count.
#pragma once

#include <unknwn.h>

#include "mediasource/SourceModule.h"
#include "win/ComObject.h"

namespace mediasource {

class SourceClassFactory final : public win::ComObject<IClassFactory> {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    ModuleObjectCount m_count;
};

} // namespace mediasource
