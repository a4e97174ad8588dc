// The built ZorvikFilter.dll as a file, read by objdump: it exports the COM server entry points under their plain names
// (no __stdcall decoration on 32-bit) and needs nothing at load time but system DLLs (the camera SDK is loaded at run
// time, the C++ runtime is linked in).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>
#include <string>

#include "tests/module/FilterModule.h"
#include "tests/support/UnixTools.h"

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

TEST(ModuleImage, ExportsPlainEntryPointsAndImportsOnlySystemDlls)
{
    const std::wstring wide = moduletest::FilterModulePath();
    const std::string path(wide.begin(), wide.end());
    std::string dump;
    // The cross binutils that come with the compilers read the image.
#ifdef _WIN64
    const std::string objdump = "x86_64-w64-mingw32-objdump";
#else
    const std::string objdump = "i686-w64-mingw32-objdump";
#endif
    ASSERT_EQ(testenv::RunUnixCommand(objdump + " -p '" + testenv::UnixPath(path) + "'", &dump), 0) << dump;

    std::set<std::string> exports, imports;
    std::istringstream lines(dump);
    std::string line;
    bool inExportNames = false;
    while (std::getline(lines, line)) {
        if (line.find("[Ordinal/Name Pointer] Table") != std::string::npos) {
            inExportNames = true;
            continue;
        }
        const size_t bracket = line.find("] ");
        if (inExportNames && bracket != std::string::npos && line.find('[') != std::string::npos) {
            exports.insert(line.substr(bracket + 2));
        } else if (inExportNames && line.find_first_not_of(" \t\r") == std::string::npos) {
            inExportNames = false;
        }
        const size_t dll = line.find("DLL Name: ");
        if (dll != std::string::npos) {
            imports.insert(Lower(line.substr(dll + 10)));
        }
    }
    EXPECT_EQ(exports, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                              "DllUnregisterServer"}))
        << dump;

    const std::set<std::string> system = {"advapi32.dll", "comctl32.dll", "gdi32.dll",  "kernel32.dll",
                                          "msvcrt.dll",   "ole32.dll",    "oleaut32.dll", "user32.dll"};
    ASSERT_FALSE(imports.empty()) << dump;
    for (const std::string& name : imports) {
        EXPECT_TRUE(system.count(name)) << name << " is not a system DLL";
    }
}

} // namespace
