// lumoracap.exe run as a user would run it from a console (see tests/support/ChildProcess.h).
#pragma once

#include <string>

#include "tests/support/ChildProcess.h"

namespace toolstest {

using testenv::ChildProcess;

// Runs lumoracap.exe (beside the test program) with arguments: its exit code, or -1 when it did not end in time.
int RunLumoracapProcess(const std::wstring& arguments, std::string* output, std::string* errors,
                        DWORD timeoutMs = 120000);

// The quoted path of lumoracap.exe beside the test program.
std::wstring LumoracapCommand();

} // namespace toolstest
