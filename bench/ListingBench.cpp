#include "bench/ListingBench.h"

#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <algorithm>
#include <vector>

#include "bench/RunStatistics.h"
#include "filter/CameraFilter.h"
#include "simcamera/SimControl.h"
#include "win/MediaType.h"
#include "win/TaskMemory.h"

using Microsoft::WRL::ComPtr;

namespace {

const int kListings = 100;

// One listing: a new filter, every type, capability and frame-rate list of
// its pins; the filter is released at the end. Returns the items read, or -1
// when a step failed.
int ListOnce()
{
    HRESULT created = E_FAIL;
    UnknownBase* object = CreateCameraFilter(nullptr, &created);
    if (FAILED(created) || !object) {
        return -1;
    }
    // The creation function hands out the inner unknown without a reference:
    // the first query takes the one the listing keeps.
    ComPtr<IBaseFilter> filter;
    ComPtr<IAMVideoControl> videoControl;
    ComPtr<IEnumPins> pins;
    if (FAILED(object->InnerQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(filter.GetAddressOf()))) ||
        FAILED(filter.As(&videoControl)) || FAILED(filter->EnumPins(&pins))) {
        return -1;
    }
    int items = 0;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        ComPtr<IEnumMediaTypes> types;
        ComPtr<IAMStreamConfig> config;
        if (FAILED(pin->EnumMediaTypes(&types)) || FAILED(pin.As(&config))) {
            return -1;
        }
        AM_MEDIA_TYPE* type = nullptr;
        while (types->Next(1, &type, nullptr) == S_OK) {
            win::MediaTypePtr owned(type);
            ++items;
        }
        int count = 0;
        int size = 0;
        if (FAILED(config->GetNumberOfCapabilities(&count, &size))) {
            return -1;
        }
        for (int i = 0; i < count; ++i) {
            VIDEO_STREAM_CONFIG_CAPS caps = {};
            AM_MEDIA_TYPE* capability = nullptr;
            if (FAILED(config->GetStreamCaps(i, &capability, reinterpret_cast<BYTE*>(&caps)))) {
                return -1;
            }
            win::MediaTypePtr owned(capability);
            LONG rates = 0;
            LONGLONG* intervals = nullptr;
            if (videoControl->GetFrameRateList(pin.Get(), i, caps.MaxOutputSize, &rates, &intervals) == S_OK) {
                win::TaskMemoryPtr<LONGLONG> list(intervals);
                items += 1 + rates;
            }
        }
    }
    return items;
}

} // namespace

int RunListingBench(std::FILE* out)
{
    SimClearJournal();
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> milliseconds;
    int items = 0;
    for (int i = 0; i < kListings; ++i) {
        LARGE_INTEGER before;
        LARGE_INTEGER after;
        QueryPerformanceCounter(&before);
        items = ListOnce();
        QueryPerformanceCounter(&after);
        if (items < 0) {
            std::fprintf(out, "listing %d failed\n", i + 1);
            return 1;
        }
        milliseconds.push_back(1000.0 * static_cast<double>(after.QuadPart - before.QuadPart) /
                               static_cast<double>(frequency.QuadPart));
    }
    char journal[256] = {};
    SimReadJournal(journal, sizeof(journal));
    const bool quiet = journal[0] == '\0';
    std::fprintf(out,
                 "listing: create the filter, read both pins' types, capabilities and frame-rate lists"
                 " (%d items), %d times\n"
                 "  median %.3f ms, slowest %.3f ms; camera library calls meanwhile: %s\n",
                 items, kListings, stats::Median(milliseconds), *std::max_element(milliseconds.begin(), milliseconds.end()),
                 quiet ? "none" : journal);
    return quiet ? 0 : 1;
}
