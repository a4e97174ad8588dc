#include "tools/lumoracap/DeviceLookup.h"

#include <oleauto.h>

using Microsoft::WRL::ComPtr;

namespace {

// Calls visit(friendly name, moniker) for each video input device until it
// returns false.
template <typename Visit>
HRESULT ForEachVideoDevice(Visit visit)
{
    ComPtr<ICreateDevEnum> enumerator;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&enumerator));
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IEnumMoniker> monikers;
    hr = enumerator->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0);
    if (hr != S_OK || !monikers) {
        return SUCCEEDED(hr) ? S_OK : hr; // S_FALSE: the category is empty
    }
    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        ComPtr<IPropertyBag> properties;
        if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&properties)))) {
            continue;
        }
        VARIANT value;
        VariantInit(&value);
        if (SUCCEEDED(properties->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR) {
            const std::wstring name(value.bstrVal, SysStringLen(value.bstrVal));
            VariantClear(&value);
            if (!visit(name, moniker.Get())) {
                break;
            }
        } else {
            VariantClear(&value);
        }
    }
    return S_OK;
}

} // namespace

HRESULT ListVideoDevices(std::vector<std::wstring>* names)
{
    names->clear();
    return ForEachVideoDevice([names](const std::wstring& name, IMoniker*) {
        names->push_back(name);
        return true;
    });
}

HRESULT CreateVideoDevice(const std::wstring& name, ComPtr<IBaseFilter>* filter)
{
    filter->Reset();
    HRESULT created = S_FALSE;
    const HRESULT hr = ForEachVideoDevice([&](const std::wstring& deviceName, IMoniker* moniker) {
        if (deviceName != name) {
            return true;
        }
        created = moniker->BindToObject(nullptr, nullptr, IID_PPV_ARGS(filter->ReleaseAndGetAddressOf()));
        return false;
    });
    return FAILED(hr) ? hr : created;
}

ComPtr<IPin> FindPinByCategory(IBaseFilter* filter, REFGUID category)
{
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(&pins))) {
        return nullptr;
    }
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        ComPtr<IKsPropertySet> properties;
        if (FAILED(pin.As(&properties))) {
            continue;
        }
        GUID pinCategory = GUID_NULL;
        DWORD returned = 0;
        if (SUCCEEDED(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &pinCategory,
                                      sizeof(pinCategory), &returned)) &&
            returned == sizeof(pinCategory) && IsEqualGUID(pinCategory, category)) {
            return pin;
        }
    }
    return nullptr;
}
