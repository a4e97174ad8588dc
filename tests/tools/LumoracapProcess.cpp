#include "tests/tools/LumoracapProcess.h"

#include "tests/support/TestEnvironment.h"

namespace toolstest {

std::wstring LumoracapCommand()
{
    const std::string folder = testenv::ProgramFolder();
    return L"\"" + std::wstring(folder.begin(), folder.end()) + L"lumoracap.exe\"";
}

int RunLumoracapProcess(const std::wstring& arguments, std::string* output, std::string* errors, DWORD timeoutMs)
{
    ChildProcess child(LumoracapCommand() + L" " + arguments);
    int exitCode = -1;
    if (!child.Wait(timeoutMs, &exitCode)) {
        exitCode = -1;
    }
    *output = child.Output();
    *errors = child.Errors();
    return exitCode;
}

} // namespace toolstest
