// A program started by a test as a user would start it from a console, with
// its standard output and error captured in files of the test's temporary
// folder. The child inherits the test's environment (TMP and TEMP included).
#pragma once

#include <windows.h>

#include <string>

#include "win/UniqueHandle.h"

namespace toolstest {

class ChildProcess {
public:
    // Starts commandLine (program path first); Started() tells whether it ran.
    explicit ChildProcess(const std::wstring& commandLine);
    // Ends the child if it is still running.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return static_cast<bool>(process); }
    DWORD Id() const { return processId; }
    // Waits up to timeoutMs; true with the exit code when the child ended.
    bool Wait(DWORD timeoutMs, int* exitCode);
    // Everything the child wrote so far.
    std::string Output() const;
    std::string Errors() const;

private:
    win::UniqueHandle process;
    DWORD processId = 0;
    std::string outputPath;
    std::string errorPath;
};

// Runs lumoracap.exe (beside the test program) with arguments and waits up to
// timeoutMs for it. Returns its exit code, or -1 when it did not end.
int RunLumoracapProcess(const std::wstring& arguments, std::string* output, std::string* errors,
                        DWORD timeoutMs = 120000);

// The path of lumoracap.exe beside the test program, in quotes.
std::wstring LumoracapCommand();

} // namespace toolstest
