#include "tools/lumoracap/Lumoracap.h"

#include "tools/lumoracap/CommandLine.h"
#include "tools/lumoracap/Commands.h"
#include "tools/lumoracap/ExitCodes.h"
#include "version/ProductVersion.h"
#include "win/ComInitialization.h"

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
    if (options.version) {
        console.out << "lumoracap " << ProductVersion() << " (Lumora Camera)\n";
        return kExitSuccess;
    }

    // COM for the life of one command: a single-threaded apartment, as the
    // property frame and the renderer windows want. A thread already in the
    // multithreaded apartment (RPC_E_CHANGED_MODE) can still use COM.
    const win::ComInitialization com(COINIT_APARTMENTTHREADED);
    if (FAILED(com.Result()) && com.Result() != RPC_E_CHANGED_MODE) {
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
    case Command::Controls:
        return ListControls(options, console);
    case Command::Set:
        return SetControl(options, console);
    case Command::Vcam:
        return ManageVirtualCamera(options, console);
    case Command::None:
        break;
    }
    return kExitUsage;
}
