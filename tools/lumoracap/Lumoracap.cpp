#include "tools/lumoracap/Lumoracap.h"

#include <objbase.h>

#include "tools/lumoracap/CommandLine.h"
#include "tools/lumoracap/Commands.h"
#include "tools/lumoracap/ExitCodes.h"

namespace {

// COM for the life of one command: a single-threaded apartment, as the
// property frame and the renderer windows want.
class ComApartment {
public:
    ComApartment() : result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment()
    {
        if (SUCCEEDED(result)) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // RPC_E_CHANGED_MODE (the thread is in the multithreaded apartment) still
    // leaves COM usable.
    bool Usable() const { return SUCCEEDED(result) || result == RPC_E_CHANGED_MODE; }

private:
    const HRESULT result;
};

} // namespace

int RunLumoracap(const std::vector<std::wstring>& args, Console& console)
{
    Options options;
    std::string error;
    if (!ParseCommandLine(args, &options, &error)) {
        console.err << "lumoracap: " << error << "\n\n" << UsageText();
        return kExitUsage;
    }
    if (options.help) {
        console.out << UsageText();
        return kExitSuccess;
    }

    ComApartment com;
    if (!com.Usable()) {
        console.err << "lumoracap: COM could not be initialised\n";
        return kExitFailure;
    }
    switch (options.command) {
    case Command::Devices:
        return ListDevices(options, console);
    case Command::Formats:
        return ListFormats(options, console);
    case Command::Capture:
        return CaptureToFile(options, console);
    case Command::Snapshot:
        return TakeSnapshot(options, console);
    case Command::Settings:
        return OpenSettings(options, console);
    case Command::None:
        break;
    }
    return kExitUsage;
}
