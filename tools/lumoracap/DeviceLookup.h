// Finding video input devices through the platform's system device
// enumerator, the way capture applications find cameras.
#pragma once

#include <dshow.h>
#include <wrl/client.h>

#include <string>
#include <vector>

// Friendly names of the registered video input devices, in the enumerator's
// order. S_OK also when there is none.
HRESULT ListVideoDevices(std::vector<std::wstring>* names);

// Creates the filter of the first video input device with this friendly
// name. S_FALSE (and no filter) when no such device is registered; the
// creation error when its filter cannot be made.
HRESULT CreateVideoDevice(const std::wstring& name, Microsoft::WRL::ComPtr<IBaseFilter>* filter);

// The first pin of a filter whose pin category (pin property set) is
// category, or null.
Microsoft::WRL::ComPtr<IPin> FindPinByCategory(IBaseFilter* filter, REFGUID category);
