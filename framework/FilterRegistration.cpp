#include "framework/FilterRegistration.h"

#include <dshow.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {
const HRESULT kFileNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
const CLSID kNoFilter = {};
} // namespace

HRESULT RegisterFilterWithMapper(const FilterSetup* setup, IFilterMapper* mapper, bool registering)
{
    if (!setup) {
        return S_FALSE;
    }
    const CLSID& classId = *setup->classId;
    HRESULT hr = mapper->UnregisterFilter(classId);
    if (registering) {
        hr = mapper->RegisterFilter(classId, setup->name, setup->merit);
        for (UINT p = 0; SUCCEEDED(hr) && p < setup->pinCount; ++p) {
            const REGFILTERPINS& pin = setup->pins[p];
            hr = mapper->RegisterPin(classId, pin.strName, pin.bRendered, pin.bOutput, pin.bZero, pin.bMany,
                                     pin.clsConnectsToFilter ? *pin.clsConnectsToFilter : kNoFilter,
                                     pin.strConnectsToPin);
            for (UINT t = 0; SUCCEEDED(hr) && t < pin.nMediaTypes; ++t) {
                hr = mapper->RegisterPinType(classId, pin.strName, *pin.lpMediaType[t].clsMajorType,
                                             *pin.lpMediaType[t].clsMinorType);
            }
        }
    }
    return hr == kFileNotFound ? S_OK : hr;
}

HRESULT RegisterFilterWithPlatformMapper(const FilterSetup* setup, bool registering)
{
    // COM is uninitialised again only when this call's initialisation counted.
    const bool comInitialised = SUCCEEDED(CoInitialize(nullptr));
    HRESULT hr;
    {
        ComPtr<IFilterMapper> mapper;
        hr = CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                              reinterpret_cast<void**>(mapper.GetAddressOf()));
        if (SUCCEEDED(hr)) {
            hr = RegisterFilterWithMapper(setup, mapper.Get(), registering);
        }
    }
    CoFreeUnusedLibraries();
    if (comInitialised) {
        CoUninitialize();
    }
    return hr;
}
