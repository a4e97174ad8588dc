// lumoracap.exe: hands the command line (as wide text) and the console to
// RunLumoracap. See CommandLine.h for the commands.
#include <windows.h>
#include <shellapi.h>

#include <iostream>
#include <string>
#include <vector>

#include "tools/lumoracap/ExitCodes.h"
#include "tools/lumoracap/Lumoracap.h"

int main()
{
    // Names and paths are printed as UTF-8.
    SetConsoleOutputCP(CP_UTF8);

    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv) {
        std::cerr << "lumoracap: the command line could not be read\n";
        return kExitFailure;
    }
    std::vector<std::wstring> args(argv + (count > 0 ? 1 : 0), argv + count);
    LocalFree(argv);

    Console console{std::cout, std::cerr};
    const int exitCode = RunLumoracap(args, console);
    std::cout.flush();
    return exitCode;
}
