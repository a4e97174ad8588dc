#include "module/MapperRegistration.h"

namespace {
const HRESULT kFileNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
} // namespace

HRESULT RegisterFilterWithMapper2(const FilterSetup* setup, IFilterMapper2* mapper, bool registering)
{
    if (!setup) {
        return S_FALSE;
    }
    HRESULT hr = mapper->UnregisterFilter(nullptr, nullptr, *setup->classId);
    if (registering) {
        REGFILTER2 record = {};
        record.dwVersion = 1;
        record.dwMerit = setup->merit;
        record.cPins = setup->pinCount;
        record.rgPins = setup->pins;
        hr = mapper->RegisterFilter(*setup->classId, setup->name, nullptr, nullptr, nullptr, &record);
    }
    return hr == kFileNotFound ? S_OK : hr;
}
