#include "tests/tools/LumoracapProcess.h"

#include "tests/support/TestEnvironment.h"

namespace toolstest {

std::wstring LumoracapCommand()
{
    return L"\"" + testenv::Wide(testenv::ProgramFolder()) + L"lumoracap.exe\"";
}

int RunLumoracapProcess(const std::wstring& arguments, std::string* output, std::string* errors, DWORD timeoutMs)
{
    ChildProcess child(LumoracapCommand() + L" " + arguments);
    int exitCode = -1;
    const bool ended = child.Wait(timeoutMs, &exitCode);
    *output = child.Output();
    *errors = child.Errors();
    return ended ? exitCode : -1;
}

} // namespace toolstest
