#include "framework/FilterRegistration.h"

#include <dshow.h>
#include <wrl/client.h>

#include "win/ComInitialization.h"
#include "win/HResult.h"

using Microsoft::WRL::ComPtr;

namespace {

const CLSID kNoFilter = {};

// Removing what was never registered is no failure.
HRESULT NothingToRemoveIsSuccess(HRESULT hr)
{
    return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? S_OK : hr;
}

// The filter, then each pin followed by each of its media types.
HRESULT AddToMapper(const FilterSetup& setup, IFilterMapper* mapper)
{
    const CLSID& classId = *setup.classId;
    RETURN_IF_FAILED(mapper->RegisterFilter(classId, setup.name, setup.merit));
    for (UINT p = 0; p < setup.pinCount; ++p) {
        const REGFILTERPINS& pin = setup.pins[p];
        RETURN_IF_FAILED(mapper->RegisterPin(classId, pin.strName, pin.bRendered, pin.bOutput, pin.bZero, pin.bMany,
                                             pin.clsConnectsToFilter ? *pin.clsConnectsToFilter : kNoFilter,
                                             pin.strConnectsToPin));
        for (UINT t = 0; t < pin.nMediaTypes; ++t) {
            RETURN_IF_FAILED(mapper->RegisterPinType(classId, pin.strName, *pin.lpMediaType[t].clsMajorType,
                                                     *pin.lpMediaType[t].clsMinorType));
        }
    }
    return S_OK;
}

HRESULT RegisterWithNewMapper(const FilterSetup* setup, bool registering)
{
    ComPtr<IFilterMapper> mapper;
    RETURN_IF_FAILED(CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                                      reinterpret_cast<void**>(mapper.GetAddressOf())));
    return RegisterFilterWithMapper(setup, mapper.Get(), registering);
}

} // namespace

HRESULT RegisterFilterWithMapper(const FilterSetup* setup, IFilterMapper* mapper, bool registering)
{
    if (!setup) {
        return S_FALSE;
    }
    const HRESULT removed = mapper->UnregisterFilter(*setup->classId);
    return NothingToRemoveIsSuccess(registering ? AddToMapper(*setup, mapper) : removed);
}

HRESULT RegisterFilterWithMapper2(const FilterSetup* setup, IFilterMapper2* mapper, bool registering)
{
    if (!setup) {
        return S_FALSE;
    }
    const HRESULT removed = mapper->UnregisterFilter(nullptr, nullptr, *setup->classId);
    if (!registering) {
        return NothingToRemoveIsSuccess(removed);
    }
    REGFILTER2 record = {};
    record.dwVersion = 1;
    record.dwMerit = setup->merit;
    record.cPins = setup->pinCount;
    record.rgPins = setup->pins;
    return NothingToRemoveIsSuccess(
        mapper->RegisterFilter(*setup->classId, setup->name, nullptr, nullptr, nullptr, &record));
}

HRESULT RegisterFilterWithPlatformMapper(const FilterSetup* setup, bool registering)
{
    // COM is uninitialised again (when this initialisation counted) after the
    // mapper is gone and unused libraries are freed.
    const win::ComInitialization com;
    const HRESULT hr = RegisterWithNewMapper(setup, registering);
    CoFreeUnusedLibraries();
    return hr;
}
