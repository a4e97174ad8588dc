#include "tests/support/ChildProcess.h"

#include "tests/support/TestEnvironment.h"

namespace testenv {
namespace {

HANDLE InheritableFile(const std::string& path)
{
    SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &security, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

ChildProcess::ChildProcess(const std::wstring& commandLine, const std::string& workingFolder)
{
    static LONG serial = 0;
    const std::string stem = TempPath("child-" + std::to_string(InterlockedIncrement(&serial)));
    outputPath = stem + ".out";
    errorPath = stem + ".err";
    // The child gets its own copies of these; the test's close when the constructor ends.
    const win::UniqueHandle output(InheritableFile(outputPath));
    const win::UniqueHandle errors(InheritableFile(errorPath));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output.Get();
    startup.hStdError = errors.Get();
    PROCESS_INFORMATION info = {};
    std::wstring line = commandLine;
    const std::wstring folder(workingFolder.begin(), workingFolder.end());
    if (output && errors &&
        CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        process.Reset(info.hProcess);
        processId = info.dwProcessId;
        const win::UniqueHandle mainThread(info.hThread); // not watched
    }
}

ChildProcess::~ChildProcess()
{
    if (process && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process.Get(), 1);
        WaitForSingleObject(process.Get(), 10000);
    }
}

bool ChildProcess::Wait(DWORD timeoutMs, int* exitCode)
{
    DWORD code = 0;
    if (!process || WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.Get(), &code)) {
        return false;
    }
    *exitCode = static_cast<int>(code);
    return true;
}

std::string ChildProcess::Output() const
{
    return FileBytes(outputPath);
}

std::string ChildProcess::Errors() const
{
    return FileBytes(errorPath);
}

} // namespace testenv
