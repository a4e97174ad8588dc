#include "module/ModuleRegistration.h"

#include <olectl.h>
#include <strmif.h>
#include <uuids.h>
#include <wrl/client.h>

#include <string>

#include "filter/LumoraGuids.h"
#include "framework/FilterRegistration.h"
#include "module/CameraFilterSetup.h"
#include "module/FactoryTemplate.h"
#include "module/ModuleInstance.h"
#include "module/ServerKeys.h"
#include "win/ComInitialization.h"
#include "win/HResult.h"

using Microsoft::WRL::ComPtr;

namespace {

// The module's full path, or the Win32 error as an HRESULT. A path that does
// not fit the buffer is an error, never registered cut short.
HRESULT ModulePath(std::wstring* path)
{
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(moduleHandle, buffer, MAX_PATH + 1);
    if (length == 0) {
        return win::LastErrorResult();
    }
    if (length > MAX_PATH) {
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    path->assign(buffer, length);
    return S_OK;
}

HRESULT CreateFilterMapper2(ComPtr<IFilterMapper2>* mapper)
{
    return CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                            reinterpret_cast<void**>(mapper->ReleaseAndGetAddressOf()));
}

// Every row with setup data, with whichever mapper exists.
HRESULT RegisterRowsWithMapper(bool registering)
{
    ComPtr<IFilterMapper2> mapper2;
    ComPtr<IFilterMapper> mapper;
    if (FAILED(CreateFilterMapper2(&mapper2))) {
        RETURN_IF_FAILED(CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                                          reinterpret_cast<void**>(mapper.GetAddressOf())));
    }
    for (size_t i = 0; i < factoryTemplateCount; ++i) {
        const FilterSetup* setup = factoryTemplates[i].setup;
        if (setup) {
            RETURN_IF_FAILED(mapper2 ? RegisterFilterWithMapper2(setup, mapper2.Get(), registering)
                                     : RegisterFilterWithMapper(setup, mapper.Get(), registering));
        }
    }
    return S_OK;
}

} // namespace

HRESULT RegisterModuleFilters(bool registering)
{
    std::wstring path;
    RETURN_IF_FAILED(ModulePath(&path));
    if (registering) {
        RETURN_IF_FAILED(WriteServerKeys(path.c_str(), true));
    }
    HRESULT hr;
    {
        // COM for as long as the mappers are used.
        const win::ComInitialization com;
        hr = RegisterRowsWithMapper(registering);
        CoFreeUnusedLibraries();
    }
    RETURN_IF_FAILED(hr);
    // Unregistration removes the keys last, once the mapper entries are gone.
    return registering ? hr : WriteServerKeys(path.c_str(), false);
}

namespace {

// The filter once more, as a video input device: how capture applications
// find the camera. An entry that is not there has nothing to remove: that is
// success, as for the class keys and the default category.
HRESULT RegisterVideoInputDevice(bool registering)
{
    const win::ComInitialization com;
    ComPtr<IFilterMapper2> mapper;
    RETURN_IF_FAILED(CreateFilterMapper2(&mapper));
    if (registering) {
        return mapper->RegisterFilter(CLSID_LumoraCameraFilter, kCameraFilterName, nullptr,
                                      &CLSID_VideoInputDeviceCategory, kCameraFilterName, &cameraDeviceRegistration);
    }
    const HRESULT hr =
        mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, kCameraFilterName, CLSID_LumoraCameraFilter);
    return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? S_OK : hr;
}

} // namespace

STDAPI DllRegisterServer()
{
    RETURN_IF_FAILED(RegisterModuleFilters(true));
    return RegisterVideoInputDevice(true);
}

STDAPI DllUnregisterServer()
{
    RETURN_IF_FAILED(RegisterModuleFilters(false));
    return RegisterVideoInputDevice(false);
}
