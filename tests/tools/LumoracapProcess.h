// lumoracap.exe run as a user would run it from a console (see
// tests/support/ChildProcess.h).
#pragma once

#include <string>

#include "tests/support/ChildProcess.h"

namespace toolstest {

using testenv::ChildProcess;

// Runs lumoracap.exe (beside the test program) with arguments and waits up to
// timeoutMs for it. Returns its exit code, or -1 when it did not end.
int RunLumoracapProcess(const std::wstring& arguments, std::string* output, std::string* errors,
                        DWORD timeoutMs = 120000);

// The path of lumoracap.exe beside the test program, in quotes.
std::wstring LumoracapCommand();

} // namespace toolstest
