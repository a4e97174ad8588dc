// lumoracap settings: the property pages of the device's filter and of its
// capture pin, together in the platform's property frame. The frame edits the
// filter, through which every page reaches the camera's settings.
#include <olectl.h>

#include <algorithm>
#include <vector>

#include "tools/lumoracap/CommandSupport.h"
#include "tools/lumoracap/Commands.h"
#include "tools/lumoracap/DeviceLookup.h"
#include "tools/lumoracap/ExitCodes.h"
#include "tools/lumoracap/Text.h"
#include "win/TaskMemory.h"

using Microsoft::WRL::ComPtr;

namespace {

// Appends the pages an object names, leaving out those already listed.
void AddPagesOf(IUnknown* object, std::vector<CLSID>* pages)
{
    ComPtr<ISpecifyPropertyPages> specify;
    if (!object || FAILED(object->QueryInterface(IID_PPV_ARGS(&specify)))) {
        return;
    }
    CAUUID list = {};
    const HRESULT hr = specify->GetPages(&list);
    const win::TaskMemoryPtr<CLSID> listed(list.pElems); // the caller frees the list
    if (FAILED(hr) || !listed) {
        return;
    }
    for (ULONG i = 0; i < list.cElems; ++i) {
        if (std::find(pages->begin(), pages->end(), listed.get()[i]) == pages->end()) {
            pages->push_back(listed.get()[i]);
        }
    }
}

} // namespace

int OpenSettings(const Options& options, Console& console)
{
    ComPtr<IBaseFilter> filter;
    const int exitCode = OpenDevice(options.device, console, &filter);
    if (exitCode != kExitSuccess) {
        return exitCode;
    }
    std::vector<CLSID> pages;
    AddPagesOf(filter.Get(), &pages);
    ComPtr<IPin> capturePin = FindPinByCategory(filter.Get(), PIN_CATEGORY_CAPTURE);
    AddPagesOf(capturePin.Get(), &pages);
    if (pages.empty()) {
        console.err << "lumoracap: " << Quoted(options.device) << " has no property pages\n";
        return kExitFailure;
    }

    IUnknown* object = filter.Get();
    const HRESULT hr = OleCreatePropertyFrame(nullptr, 0, 0, options.device.c_str(), 1, &object,
                                              static_cast<ULONG>(pages.size()), pages.data(),
                                              GetUserDefaultLCID(), 0, nullptr);
    if (FAILED(hr)) {
        console.err << "lumoracap: the property pages of " << Quoted(options.device)
                    << " could not be shown: " << DescribeResult(hr) << "\n";
        return kExitFailure;
    }
    return kExitSuccess;
}
