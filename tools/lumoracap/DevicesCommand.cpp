// lumoracap devices: the friendly names of the registered video input devices.
#include "tools/lumoracap/Commands.h"
#include "tools/lumoracap/DeviceLookup.h"
#include "tools/lumoracap/ExitCodes.h"
#include "tools/lumoracap/Text.h"

int ListDevices(const Options& /*options*/, Console& console)
{
    std::vector<std::wstring> names;
    const HRESULT hr = ListVideoDevices(&names);
    if (FAILED(hr)) {
        console.err << "lumoracap: the video input devices could not be listed: " << DescribeResult(hr) << "\n";
        return kExitFailure;
    }
    if (names.empty()) {
        console.out << "No video input devices are registered.\n";
    }
    for (const std::wstring& name : names) {
        console.out << Utf8(name) << "\n";
    }
    return kExitSuccess;
}
