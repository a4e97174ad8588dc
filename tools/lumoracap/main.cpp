// lumoracap.exe: hands the command line (as wide text) and the console to
// RunLumoracap. See CommandLine.h for the commands.
#include <windows.h>
#include <shellapi.h>

#include <iostream>
#include <string>
#include <vector>

#include "tools/lumoracap/ExitCodes.h"
#include "tools/lumoracap/Lumoracap.h"

namespace {

// Names and paths are printed as UTF-8. The console outlives the program, so
// it gets its own code page back at the end (0: there is no console).
class Utf8Console {
public:
    Utf8Console() : previous(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }
    ~Utf8Console()
    {
        std::cout.flush();
        if (previous != 0) {
            SetConsoleOutputCP(previous);
        }
    }
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    const UINT previous;
};

// Standard output is a console window (not a file or a pipe).
bool OutputIsConsole()
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    return out && out != INVALID_HANDLE_VALUE && GetFileType(out) == FILE_TYPE_CHAR && GetConsoleMode(out, &mode);
}

} // namespace

int main()
{
    Utf8Console utf8;
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv) {
        std::cerr << "lumoracap: the command line could not be read\n";
        return kExitFailure;
    }
    std::vector<std::wstring> args(argv + (count > 0 ? 1 : 0), argv + count);
    LocalFree(argv);

    Console console{std::cout, std::cerr, OutputIsConsole()};
    return RunLumoracap(args, console);
}
