// A program started by a test as a user would from a console, its output and error captured in files of the
// test's temporary folder. The child inherits the test's environment (TMP and TEMP included).
#pragma once

#include <windows.h>

#include <string>

#include "win/UniqueHandle.h"

namespace testenv {

class ChildProcess {
public:
    // Starts commandLine (program path first) in workingFolder (empty: the test's own); Started() tells if it ran.
    explicit ChildProcess(const std::wstring& commandLine, const std::string& workingFolder = std::string());
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
    std::string outputPath, errorPath;
};

} // namespace testenv
